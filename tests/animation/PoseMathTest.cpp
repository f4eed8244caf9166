// Key sampling, clip timing and the pose of one clip, without GL: the arithmetic every
// animated frame rests on.
#include <gtest/gtest.h>

#include <cmath>

#include "AnimationTestScenes.h"
#include "animation/AnimationSet.h"
#include "animation/ClipPose.h"
#include "animation/KeySampling.h"
#include "animation/MeshAnimation.h"
#include "models/MeshObject.h"

namespace {

using animtest::BoneX;
using animtest::MakeChainScene;
using animtest::MakeController;

// A single key is held at every time and never ends; no keys read as zero.
TEST(KeySampling, KeysMixLinearlyHoldOutsideTheirSpanAndNeverDivideByZero)
{
    // Two keys share tick 2, and two share tick 5 ahead of the sampled times.
    const aiVectorKey keys[] = {{0, aiVector3D(0, 0, 0)},
                                {2, aiVector3D(2, 0, 0)},
                                {2, aiVector3D(5, 0, 0)},
                                {4, aiVector3D(9, 0, 0)}};
    const aiVectorKey late[] = {
        {5, aiVector3D(1, 0, 0)}, {5, aiVector3D(7, 0, 0)}, {6, aiVector3D(8, 0, 0)}};
    const aiVectorKey single(3.0, aiVector3D(3, 0, 0));
    struct Case {
        const aiVectorKey* keys;
        unsigned count;
        float t;
        float x;
        bool pastEnd;
    } cases[] = {{keys, 4, 1.0f, 1.0f, false},    {keys, 4, 2.0f, 5.0f, false},
                 {keys, 4, 3.0f, 7.0f, false},    {keys, 4, 4.0f, 9.0f, true},
                 {keys, 4, 50.0f, 9.0f, true},    {late, 3, 1.0f, 1.0f, false},
                 {late, 3, 5.5f, 7.5f, false},    {&single, 1, -5.0f, 3.0f, false},
                 {&single, 1, 1e6f, 3.0f, false}, {nullptr, 0, 1.0f, 0.0f, false}};
    for (const Case& c : cases) {
        const VectorSample sample = SampleVectorKeys(c.keys, c.count, c.t);
        EXPECT_FLOAT_EQ(sample.value.x, c.x) << c.t;
        EXPECT_EQ(sample.pastEnd, c.pastEnd) << c.t;
    }
}

TEST(KeySampling, SlerpRunsFromTheFirstRotationToTheSecondAlongTheShorterArc)
{
    const aiQuaternion identity;
    const aiQuaternion quarterTurn(aiVector3D(0, 1, 0), 1.5707964f);
    const aiQuaternion eighthTurn(aiVector3D(0, 1, 0), 0.7853982f);
    auto same = [](const aiQuaternion& a, const aiQuaternion& b) {
        return std::fabs(a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z) > 0.99999f;
    };
    // The negated quaternion is the same rotation: it must not send the mix the long way.
    const aiQuaternion flipped(-quarterTurn.w, -quarterTurn.x, -quarterTurn.y, -quarterTurn.z);
    for (const aiQuaternion& target : {quarterTurn, flipped}) {
        EXPECT_TRUE(same(Slerp(identity, target, 0.0f), identity));
        EXPECT_TRUE(same(Slerp(identity, target, 0.5f), eighthTurn));
        EXPECT_TRUE(same(Slerp(identity, target, 1.0f), quarterTurn));
    }
    // Nearly equal rotations are mixed linearly, without dividing by sin(0).
    const aiQuaternion q = Slerp(identity, identity, 0.3f);
    EXPECT_TRUE(std::isfinite(q.w) && same(q, identity));
}

TEST(ClipTiming, ClipsWrapAfterTheirBakedKeysAtTheirTickRate)
{
    const auto thirtyPerSecond = MakeChainScene({"Root"}, 31, 30.0);
    const AnimationClip clip = BindClip(modeltest::Borrow(*thirtyPerSecond), {});
    EXPECT_EQ(clip.keyCount, 31u);
    EXPECT_NEAR(ClipTickTime(clip, 0.5f), 15.0f, 1e-4f);
    EXPECT_NEAR(ClipTickTime(clip, 1.0f), 0.0f, 1e-4f);  // 30 ticks: one second
    EXPECT_NEAR(ClipTickTime(clip, 1.5f), 15.0f, 1e-3f);

    const auto noRate = MakeChainScene({"Root"}, 31, 0.0);
    const AnimationClip unrated = BindClip(modeltest::Borrow(*noRate), {});
    EXPECT_FLOAT_EQ(unrated.tickRate, 25.0f);
    EXPECT_NEAR(ClipTickTime(unrated, 0.4f), 10.0f, 1e-4f);

    // One key: nothing to wrap at, the clip holds its first tick.
    const auto still = MakeChainScene({"Root"}, 1);
    EXPECT_EQ(ClipTickTime(BindClip(modeltest::Borrow(*still), {}), 3.0f), 0.0f);
}

TEST(ClipPose, TheRootAndItsChildrenKeepTheirFirstTranslationAGrandchildMoves)
{
    const auto scene = MakeChainScene({"Root", "Hips", "Spine", "Neck"}, 5, 25.0, 1.0f);
    AnimationController controller = MakeController({scene.get()});
    JointTree joints;
    PoseScratch scratch;
    PoseOneClip(controller.clips[0], 3.0f, aiMatrix4x4(), controller.bones, joints, scratch);
    // Each node moves 3 along x from its parent, but only from the grandchild on.
    EXPECT_FLOAT_EQ(BoneX(controller, "Root"), 0.0f);
    EXPECT_FLOAT_EQ(BoneX(controller, "Hips"), 0.0f);
    EXPECT_FLOAT_EQ(BoneX(controller, "Spine"), 3.0f);
    EXPECT_FLOAT_EQ(BoneX(controller, "Neck"), 6.0f);
    ASSERT_EQ(joints.size(), 4u);
    EXPECT_EQ(joints[0].parent, -1);
    for (size_t j = 1; j < joints.size(); ++j)
        EXPECT_EQ(joints[j].parent, static_cast<int32_t>(j - 1));
}

// A palette has 256 entries. A mesh of 257 bones gets none; 256 bones plus a camera-joint
// node make 257 skeleton bones, the joint numbered last, of which only the mesh's 256 reach
// the palette.
TEST(Skeleton, AtMost256BonesAndThePaletteIsNeverOverrun)
{
    std::vector<std::string> errors;
    AnimationReports reports;
    reports.error = [&errors](const std::string& text) { errors.push_back(text); };
    for (unsigned boneCount : {256u, 257u}) {
        errors.clear();
        std::vector<std::string> names;
        for (unsigned b = 0; b < boneCount; ++b)
            names.push_back("Bone" + std::to_string(b));
        auto scene = MakeChainScene(names, 2);
        modeltest::AddNode(*scene->mRootNode, "Rig:camera_jnt_1");
        AnimationController controller = MakeController({scene.get()}, reports);
        if (boneCount == 257) {
            EXPECT_TRUE(controller.bones.empty());
            EXPECT_EQ(errors, std::vector<std::string>{
                                  "You have more bones than we support! We support max 256 bones"});
            continue;
        }
        EXPECT_TRUE(errors.empty());
        ASSERT_EQ(controller.bones.size(), 257u);
        EXPECT_TRUE(controller.hasCameraJoint);  // found by part of its node's name
        EXPECT_EQ(controller.boneMap.at("Rig:camera_jnt_1"), 256u);

        controller.previousClip = 0;
        animtest::AnimatedMeshObject animated(scene->mMeshes[0], boneCount, scene->mMeshes[0],
                                              std::move(controller));
        EXPECT_TRUE(PoseIntoPalette(animated.meshObject));
        EXPECT_EQ(animated.meshObject.animationSpeed, 100);  // the field after the palette
        EXPECT_EQ(animated.meshObject.rotationSwitches, (Float3{0.0f, 0.0f, 0.0f}));
    }
}

// A camera-joint node that is a bone already keeps its number.
TEST(Skeleton, ACameraJointThatIsABoneKeepsItsNumber)
{
    auto scene = MakeChainScene({"Root", "Rig:camera_jnt_1"}, 0);
    AnimationController controller;
    controller.SetUpBones(*scene->mMeshes[0], *scene, {});
    EXPECT_EQ(controller.cameraJointName, "Rig:camera_jnt_1");
    EXPECT_EQ(controller.bones.size(), controller.boneMap.size());
    EXPECT_EQ(controller.boneMap.at("Rig:camera_jnt_1"), 1u);
}

}  // namespace
