// The arithmetic every animated frame rests on, and which clip plays how, on controllers
// built from scenes in memory: key sampling, clip timing, the pose of one clip, the bone
// limit, clip selection, blending, scrubbing and sequencing, the camera joint and the
// skeleton figure.
#include <gtest/gtest.h>

#include <cmath>

#include "animation/AnimationController.h"
#include "animation/AnimationSet.h"
#include "animation/ClipControl.h"
#include "animation/ClipPose.h"
#include "animation/KeySampling.h"
#include "animation/MeshAnimation.h"
#include "animation/SkeletonDisplay.h"
#include "models/MeshObject.h"
#include "models/ModelImportContext.h"
#include "models/ModelTestSupport.h"

namespace {

using namespace modeltest;

// A chain of nodes (names[0] is the root, each next one the child of the one before), all
// bones of one mesh, each moved by AddAnimation. Without keys the scene has no animation.
inline std::unique_ptr<aiScene> MakeChainScene(const std::vector<std::string>& names,
                                               unsigned keys = 2, double ticksPerSecond = 25.0,
                                               float step = 1.0f)
{
    aiMesh* mesh = MakeMesh(3);
    std::vector<std::pair<std::string, std::vector<aiVertexWeight>>> bones;
    for (const std::string& name : names)
        bones.push_back({name, {{0, 1.0f}}});
    SetBones(*mesh, bones);
    auto scene = MakeScene({mesh});
    scene->mRootNode->mName = aiString(names[0]);
    aiNode* parent = scene->mRootNode;
    for (size_t i = 1; i < names.size(); ++i)
        parent = AddNode(*parent, names[i].c_str());
    if (keys > 0)
        AddAnimation(*scene, names, keys, ticksPerSecond, step);
    return scene;
}

// A controller with the bones of the scene's first mesh and the scenes as its clips, the
// first current. The scenes stay with the caller.
inline AnimationController MakeController(const std::vector<const aiScene*>& clips,
                                          const AnimationReports& reports = {})
{
    AnimationController controller;
    controller.SetUpBones(*clips[0]->mMeshes[0], *clips[0], reports);
    for (const aiScene* clip : clips)
        controller.clips.push_back(BindClip(Borrow(*clip), controller.boneMap));
    return controller;
}

// A mesh object of `mesh`, with `bones` bones, whose animation set holds `controller` as
// the controller of `key` (no mesh: a whole-model animation file).
struct AnimatedMeshObject {
    AnimatedMeshObject(const aiMesh* mesh, unsigned bones, const aiMesh* key,
                       AnimationController controller)
    {
        context.boneCount = bones;
        meshObject.context = &context;
        meshObject.meshData = std::make_unique<MeshData>();
        meshObject.meshData->importedMesh = mesh;
        meshObject.animationSet = std::make_shared<AnimationSet>();
        meshObject.animationSet->controllers.emplace(
            key, std::make_unique<AnimationController>(std::move(controller)));
    }
    ModelImportContext context;
    CMeshObject meshObject;
};

// Where a pose put a bone: the translation of its final transform (offsets are identity).
inline float BoneX(const AnimationController& controller, const std::string& name)
{
    return controller.bones[controller.boneMap.at(name)].finalTransform.a4;
}

// A single key is held at every time and never ends; no keys read as zero.
TEST(KeySampling, KeysMixLinearlyHoldOutsideTheirSpanAndNeverDivideByZero)
{
    // Two keys share tick 2, and two share tick 5 ahead of the sampled times.
    const aiVectorKey keys[] = {{0, {0, 0, 0}}, {2, {2, 0, 0}}, {2, {5, 0, 0}}, {4, {9, 0, 0}}};
    const aiVectorKey late[] = {{5, {1, 0, 0}}, {5, {7, 0, 0}}, {6, {8, 0, 0}}};
    const aiVectorKey single(3.0, {3, 0, 0});
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
    const AnimationClip clip = BindClip(Borrow(*thirtyPerSecond), {});
    EXPECT_NEAR(ClipTickTime(clip, 0.5f), 15.0f, 1e-4f);
    EXPECT_NEAR(ClipTickTime(clip, 1.0f), 0.0f, 1e-4f);  // 30 ticks: one second
    EXPECT_NEAR(ClipTickTime(clip, 1.5f), 15.0f, 1e-3f);

    // No tick rate in the file: 25 per second.
    const auto noRate = MakeChainScene({"Root"}, 31, 0.0);
    EXPECT_NEAR(ClipTickTime(BindClip(Borrow(*noRate), {}), 0.4f), 10.0f, 1e-4f);

    // One key: nothing to wrap at, the clip holds its first tick.
    const auto still = MakeChainScene({"Root"}, 1);
    EXPECT_EQ(ClipTickTime(BindClip(Borrow(*still), {}), 3.0f), 0.0f);
}

TEST(ClipPose, TheRootAndItsChildrenKeepTheirFirstTranslationAGrandchildMoves)
{
    const auto scene = MakeChainScene({"Root", "Hips", "Spine", "Neck"}, 5, 25.0, 1.0f);
    AnimationController controller = MakeController({scene.get()});
    JointTree joints;
    PoseScratch scratch;
    PoseOneClip(controller.clips[0], 3.0f, aiMatrix4x4(), controller.bones, joints, scratch);
    // Each node moves 3 along x from its parent, but only from the grandchild on.
    for (const auto& [bone, x] :
         {std::pair{"Root", 0.0f}, {"Hips", 0.0f}, {"Spine", 3.0f}, {"Neck", 6.0f}})
        EXPECT_FLOAT_EQ(BoneX(controller, bone), x) << bone;
    ASSERT_EQ(joints.size(), 4u);
    EXPECT_EQ(joints[3].parent, 2);
}

// A palette has 256 entries. A mesh of 257 bones gets none; 256 bones plus a camera-joint
// node make 257 skeleton bones, the joint numbered last, of which only the mesh's 256 reach
// the palette. A camera joint is found by part of its node's name, beside a mesh without
// bones too; a node that is a bone already keeps its number.
TEST(Skeleton, AtMost256BonesThePaletteIsNeverOverrunAndACameraJointIsFoundByName)
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
        AddNode(*scene->mRootNode, "Rig:camera_jnt_1");
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
        AnimatedMeshObject animated(scene->mMeshes[0], boneCount, scene->mMeshes[0],
                                    std::move(controller));
        EXPECT_TRUE(PoseIntoPalette(animated.meshObject));
        EXPECT_EQ(animated.meshObject.animationSpeed, 100);  // the field after the palette
        EXPECT_EQ(animated.meshObject.rotationSwitches, (Float3{0.0f, 0.0f, 0.0f}));
    }

    auto skinned = MakeChainScene({"Root", "Rig:camera_jnt_1"}, 0);
    auto boneless = MakeScene({MakeMesh(3)});
    AddNode(*boneless->mRootNode, "Rig:camera_jnt_1");
    for (const auto& [scene, number] : {std::pair{boneless.get(), 0u}, {skinned.get(), 1u}}) {
        AnimationController controller;
        controller.SetUpBones(*scene->mMeshes[0], *scene, {});
        EXPECT_EQ(controller.cameraJointName, "Rig:camera_jnt_1");
        EXPECT_EQ(controller.boneMap.at("Rig:camera_jnt_1"), number);
    }
}

const std::vector<std::string> kChain = {"Root", "Hips", "Spine"};
constexpr unsigned kKeys = 5;  // at 25 ticks per second: 0.2 s, wrapping after tick 4

// Clip 0 (the bind pose) and `extra` more; in clip i every node steps i along x per tick.
struct Clips {
    explicit Clips(unsigned extra)
    {
        std::vector<const aiScene*> raw;
        for (unsigned i = 0; i <= extra; ++i)
            raw.push_back(scenes.emplace_back(MakeChainScene(kChain, kKeys, 25.0, float(i))).get());
        controller = MakeController(raw);
    }
    std::vector<std::unique_ptr<aiScene>> scenes;
    AnimationController controller;
};

TEST(ClipControl, SelectingAClipRestartsTimesAndRemembersTheCurrentOne)
{
    Clips clips(1);
    AnimationController& c = clips.controller;
    struct Step {
        int64_t index;
        uint32_t current;
        int32_t previous;
    } steps[] = {
        {1, 0, 0},   // index + 1 is no clip: nothing switches, the times restart
        {0, 1, 0},   // the first clip after the bind pose
        {0, 1, 1},   // already current
        {-1, 1, 1},  // negative: no clip at all, not the bind pose
        {int64_t(UINT32_MAX), 1, 1},
    };
    for (const Step& step : steps) {
        c.timeA = c.timeB = 0.7f;
        SelectClip(c, step.index);
        EXPECT_EQ(std::pair(c.currentClip, c.previousClip), std::pair(step.current, step.previous))
            << step.index;
        EXPECT_EQ(std::pair(c.timeA, c.timeB), std::pair(0.0f, 0.0f));
    }

    // With only the bind pose, index 0 still makes clip 0 the previous clip: it can pose.
    Clips bindOnly(0);
    EXPECT_FALSE(bindOnly.controller.ComputePose());
    SelectClip(bindOnly.controller, 0);
    EXPECT_EQ(bindOnly.controller.previousClip, 0);
    EXPECT_TRUE(bindOnly.controller.ComputePose());

    // A previous clip that does not exist stops the pose instead of reading past the clips.
    bindOnly.controller.previousClip = 5;
    EXPECT_FALSE(bindOnly.controller.ComputePose());
}

TEST(ClipControl, PlaybackPositionScrubsAndMinusOneTogglesPause)
{
    Clips clips(0);
    AnimationController& c = clips.controller;
    SetPlaybackPosition(c, -1.0f);
    SetPlaybackPosition(c, -1.0f);
    EXPECT_FALSE(c.paused);
    SetPlaybackPosition(c, 0.0f);
    EXPECT_EQ(c.timeA, 0.0f);  // not -0.05 s
    EXPECT_TRUE(c.paused);
    SetPlaybackPosition(c, 1.0f);  // the end: 5 keys at 25 per second, less 0.05 s
    EXPECT_NEAR(c.timeA, 0.15f, 1e-6f);
    EXPECT_EQ(c.timeB, c.timeA);
    // A paused clock does not run.
    c.Advance(1000);
    c.Advance(1500);
    EXPECT_NEAR(c.timeA, 0.15f, 1e-6f);

    // A whole-model animation file makes controllers keyed by no mesh: the mesh object's
    // own lookup finds none and keeps its palette.
    c.previousClip = 0;
    AnimatedMeshObject animated(clips.scenes[0]->mMeshes[0], 3, nullptr, std::move(c));
    animated.meshObject.bonePalette[0].m[3][0] = 5.0f;
    EXPECT_FALSE(PoseIntoPalette(animated.meshObject));
    EXPECT_EQ(animated.meshObject.bonePalette[0].m[3][0], 5.0f);
}

// Sequencing plays every clip after the bind pose in turn; a blend of a quarter shows a
// quarter of the previous clip.
TEST(ClipControl, SequencingPlaysEveryClipAfterTheBindPoseInTurnAndBlendsMixClips)
{
    Clips clips(2);
    AnimationController& c = clips.controller;
    std::vector<uint32_t> order;
    for (int i = 0; i < 4; ++i) {
        StepSequence(c);  // not yet at the end
        c.timeA = 0.2f;
        StepSequence(c);
        order.push_back(c.currentClip);
        EXPECT_EQ(c.timeA, 0.0f);
    }
    EXPECT_EQ(order, (std::vector<uint32_t>{1, 2, 1, 2}));

    SwitchClip(c, 2);
    SwitchClip(c, 1);                  // previous 2 (spine steps 2 a tick), current 1 (steps 1)
    c.timeA = c.timeB = 2.0f / 25.0f;  // tick 2
    c.blend = 0.25f;
    ASSERT_TRUE(c.ComputePose());
    EXPECT_NEAR(BoneX(c, "Spine"), 0.25f * 4.0f + 0.75f * 2.0f, 1e-5f);
    c.blend = 0.0f;
    ASSERT_TRUE(c.ComputePose());
    EXPECT_NEAR(BoneX(c, "Spine"), 2.0f, 1e-5f);
}

// The skeleton figure draws one line per joint with a parent, and an arrow only where its
// direction is usable. The camera rides the camera joint's place with unit axes; a joint
// whose offset cannot be inverted, or whose number lies beyond the bones, leaves it alone.
TEST(AnimationSet, TheFigureLeavesOutUnusableArrowsAndTheCameraFollowsOnlyAUsableJoint)
{
    AnimationSet set;
    auto& c =
        *set.controllers.emplace(nullptr, std::make_unique<AnimationController>()).first->second;
    c.hasJoints = true;
    auto at = [](float x, float y, float z) {
        return aiMatrix4x4(aiVector3D(1, 1, 1), aiQuaternion(), aiVector3D(x, y, z));
    };
    c.joints = {{0, -1, at(0, 0, 0)},  // top joint: no line
                {1, 0, at(0, 2, 0)},   // straight up from its parent
                {2, 1, at(0, 2, 0)},   // where its parent is
                {3, 1, at(1, 2, 1)}};  // a usable direction
    const SkeletonFigure figure = BuildSkeletonFigure(set, Matrix4::Identity(), 0.5f);
    EXPECT_EQ(figure.lines.size(), 3u);
    EXPECT_EQ(figure.axes.size(), 4u);
    ASSERT_EQ(figure.arrows.size(), 1u);
    for (const auto& row : figure.arrows[0].m)
        for (float value : row)
            EXPECT_TRUE(std::isfinite(value));
    EXPECT_FLOAT_EQ(figure.arrows[0].m[3][1], 2.0f);  // placed at the parent joint

    c.hasCameraJoint = true;
    c.boneMap["camera_jnt"] = 0;
    c.bones.resize(1);
    c.bones[0].finalTransform =
        aiMatrix4x4(aiVector3D(3, 3, 3), aiQuaternion(), aiVector3D(1, 2, 3));
    AdvanceOptions follow;
    follow.followCameraJoint = true;
    const std::optional<Matrix4> camera = AdvanceAnimationSet(set, follow);
    ASSERT_TRUE(camera);
    EXPECT_FLOAT_EQ(camera->m[3][0], 1.0f);
    EXPECT_FLOAT_EQ(camera->m[3][1], 2.0f);
    EXPECT_FLOAT_EQ(camera->m[3][2], 3.0f);
    EXPECT_NEAR(std::hypot(camera->m[0][0], camera->m[0][1], camera->m[0][2]), 1.0f, 1e-5f);
    EXPECT_FALSE(AdvanceAnimationSet(set, AdvanceOptions{}));  // not following

    c.bones[0].offset = aiMatrix4x4(aiVector3D(0, 1, 1), aiQuaternion(), aiVector3D());
    EXPECT_FALSE(AdvanceAnimationSet(set, follow));
    c.bones[0].offset = aiMatrix4x4();
    c.boneMap["camera_jnt"] = 4;
    EXPECT_FALSE(AdvanceAnimationSet(set, follow));
}

}  // namespace
