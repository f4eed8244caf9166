// Frame-accurate review: frames at the clip's rate, frame and key steps at both ends of a
// loop, and the clock with a speed and with looping off.
#include <gtest/gtest.h>

#include <cmath>

#include "animation/AnimationController.h"
#include "animation/AnimationReview.h"
#include "models/ModelNode.h"
#include "models/ModelTestSupport.h"

namespace {

using namespace modeltest;

TEST(AnimationReview, FramesCountAtThePlausibleTickRateAndWrapOrStopAtTheEnds)
{
    for (auto [tickRate, frameRate] : {std::pair{24.0f, 24.0f},
                                       {30.0f, 30.0f},
                                       {240.0f, 240.0f},
                                       {4800.0f, 30.0f},
                                       {1.0f, 30.0f},
                                       {0.0f, 30.0f}})
        EXPECT_EQ(ReviewFrameRate(tickRate), frameRate) << tickRate;

    // A one-second loop at 30 fps: frames 0 to 30; the clock runs on across loops.
    const FrameReadout start = ReadFrames(0.0f, 1.0f, 30.0f);
    EXPECT_EQ(start.lastFrame, 30);
    EXPECT_EQ(ReadFrames(2.5f, 1.0f, 30.0f).frame, 15);
    EXPECT_FLOAT_EQ(StepFrames(start, 1, true), 1.0f / 30.0f);
    EXPECT_FLOAT_EQ(StepFrames(ReadFrames(17.0f / 30.0f, 1.0f, 30.0f), -1, true), 16.0f / 30.0f);

    // Back from the first frame: the last frame, which shows the last key (just before the
    // loop's end, where the pose would wrap to the first) with looping on, nothing with it off.
    const float last = StepFrames(start, -1, true);
    EXPECT_LT(last, 1.0f);
    EXPECT_GT(last, 0.9999f);
    EXPECT_EQ(ReadFrames(last, 1.0f, 30.0f).frame, 30);
    EXPECT_EQ(StepFrames(start, -1, false), 0.0f);
    const FrameReadout end = ReadFrames(last, 1.0f, 30.0f);
    EXPECT_EQ(StepFrames(end, 1, true), 0.0f);
    EXPECT_EQ(ReadFrames(StepFrames(end, 1, false), 1.0f, 30.0f).frame, 30);

    // A clip without length has one frame.
    EXPECT_EQ(ReadFrames(3.0f, 0.0f, 30.0f).lastFrame, 0);
    EXPECT_EQ(StepFrames(ReadFrames(3.0f, 0.0f, 30.0f), 1, true), 0.0f);
    EXPECT_EQ(ReadFrames(NAN, 1.0f, NAN).frame, 0);
}

TEST(AnimationReview, KeyStepsLandExactlyOnTheClipsKeyTimes)
{
    auto scene = MakeScene({MakeMesh(3)});
    scene->mRootNode->mName = aiString("root");
    AddNode(*scene->mRootNode, "arm");
    AddAnimation(*scene, {"root", "arm"}, 5, 25.0);
    scene->mAnimations[0]->mChannels[1]->mRotationKeys[0].mTime = 1.5;  // between two keys
    const AnimationClip clip = BindClip(Borrow(*scene), {});

    const std::vector<float> keys = ClipKeySeconds(clip);
    ASSERT_EQ(keys.size(), 6u);  // 0, 0.04, 0.06, 0.08, 0.12, 0.16: repeats merged
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    EXPECT_EQ(NeighbourKey(keys, 0.0f, 1), keys[1]);
    EXPECT_FLOAT_EQ(keys[2], 1.5f / 25.0f);
    EXPECT_EQ(NeighbourKey(keys, keys[1], 1), keys[2]);  // the same time is not a step
    EXPECT_EQ(NeighbourKey(keys, 0.07f, -1), keys[2]);
    EXPECT_EQ(NeighbourKey(keys, keys.back(), 1), std::nullopt);
    EXPECT_EQ(NeighbourKey(keys, 0.0f, -1), std::nullopt);
    EXPECT_TRUE(ClipKeySeconds(AnimationClip{}).empty());
}

// Speed 50 runs the clock half as fast; with looping off each clip stops on its last key,
// from whichever pass the clock had reached, and a reverse or broken speed stands still.
TEST(AnimationReview, TheClockFollowsTheSpeedAndStopsAtTheEndWithoutLooping)
{
    auto scene = MakeScene({MakeMesh(3)});
    scene->mRootNode->mName = aiString("root");
    AddAnimation(*scene, {"root"}, 26, 25.0);  // a loop of one second
    AnimationController controller;
    controller.clips.push_back(BindClip(Borrow(*scene), controller.boneMap));

    controller.Advance(1000);
    controller.Advance(2000, 0.5f);
    EXPECT_FLOAT_EQ(controller.timeA, 0.5f);
    controller.Advance(2400, 1.0f, false);
    EXPECT_FLOAT_EQ(controller.timeA, 0.9f);
    controller.Advance(3400, 1.0f, false);
    EXPECT_LT(controller.timeA, 1.0f);
    EXPECT_GT(ClipTickTime(controller.clips[0], controller.timeA), 24.99f);  // the last key

    controller.timeA = controller.timeB = 5.25f;  // looped on for five passes
    controller.Advance(3500, 1.0f, false);
    EXPECT_NEAR(controller.timeA, 0.35f, 1e-5f);
    for (float speed : {-2.0f, NAN, 0.0f}) {
        controller.Advance(controller.lastTick + 500, speed);
        EXPECT_NEAR(controller.timeA, 0.35f, 1e-5f) << speed;
    }

    CModelNode root(nullptr, "root");
    for (auto [given, kept] : {std::pair{50, 50}, {-5, 0}, {5000, 1000}}) {
        root.SetAnimationSpeed(given);
        EXPECT_EQ(root.animationSpeed, kept);
    }
}

}  // namespace
