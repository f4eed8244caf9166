// What the bone-weight view is told: a joint's palette slot in a mesh's bone numbering, the
// word the draw passes to the shaders, and how clicks choose the view.
#include <gtest/gtest.h>

#include "animation/JointPalette.h"
#include "scene/BoneWeightChoice.h"
#include "shaders/DrawConstants.h"

namespace {

TEST(JointPalette, AJointsSlotIsItsNumberInThatMeshWithinThePalette)
{
    const std::map<std::string, uint32_t> numbers = {
        {"Hip", 0}, {"Knee", 1}, {"Edge", 255}, {"Beyond", 256}, {"", 2}};
    const std::pair<const char*, int> cases[] = {
        {"Hip", 0},      {"Knee", 1}, {"Edge", 255}, {"Beyond", -1},
        {"Missing", -1}, {"hip", -1}, {"", -1},
    };
    for (const auto& [joint, slot] : cases)
        EXPECT_EQ(JointPaletteSlot(numbers, joint), slot) << joint;
    EXPECT_EQ(JointPaletteSlot(std::map<std::string, uint32_t>{}, "Hip"), -1);
}

TEST(JointPalette, TheViewWordIsNeverZeroAndCarriesSlotPlusOneAndTheCount)
{
    const struct {
        int slot;
        bool count;
        uint32_t word;
    } cases[] = {
        {-1, false, kBoneViewOn},
        {0, false, kBoneViewOn | 1},
        {7, false, kBoneViewOn | 8},
        {255, true, kBoneViewOn | kBoneViewJointCount | 256},
        {256, false, kBoneViewOn},  // beyond the palette: no joint
        {-5, true, kBoneViewOn | kBoneViewJointCount},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BoneViewWord(c.slot, c.count), c.word) << c.slot << " " << c.count;
    // The shaders read the slot from the low 16 bits and the flags above them.
    EXPECT_EQ(kBoneViewOn & 0xFFFFu, 0u);
    EXPECT_EQ(kBoneViewJointCount, 0x20000u);
}

// Each step: a click on a joint (or the count box), and what the view shows after it.
TEST(BoneWeightChoice, AClickChoosesAJointASecondTurnsItOffAndTheCountTakesOver)
{
    SceneInspection inspection;
    auto shows = [&](const std::string& joint, bool count) {
        return inspection.boneWeights.joint == joint && inspection.boneWeights.jointCount == count;
    };
    ChooseWeightJoint(inspection, "Hip");
    EXPECT_TRUE(shows("Hip", false));
    EXPECT_TRUE(IsWeightJointShown(inspection, "Hip"));
    EXPECT_FALSE(IsWeightJointShown(inspection, "Knee"));
    ChooseWeightJoint(inspection, "Knee");
    EXPECT_TRUE(shows("Knee", false));
    ChooseWeightJoint(inspection, "Knee");
    EXPECT_TRUE(shows("", false));
    EXPECT_FALSE(inspection.boneWeights.Active());

    ChooseWeightJoint(inspection, "Hip");
    ShowJointCount(inspection, true);
    EXPECT_TRUE(shows("Hip", true));
    EXPECT_FALSE(IsWeightJointShown(inspection, "Hip")) << "the count is shown instead";
    ChooseWeightJoint(inspection, "Hip");
    EXPECT_TRUE(shows("Hip", false)) << "a click on the chosen joint shows its weights again";
    ShowJointCount(inspection, true);
    ShowJointCount(inspection, false);
    EXPECT_TRUE(shows("Hip", false));

    ClearWeightView(inspection);
    ShowJointCount(inspection, true);
    EXPECT_TRUE(inspection.boneWeights.Active()) << "the count needs no joint";
    ClearWeightView(inspection);
    EXPECT_FALSE(inspection.boneWeights.Active());
    inspection.boneWeights.joint = "Hip";
    inspection.ForgetModel();
    EXPECT_FALSE(inspection.boneWeights.Active()) << "a new model starts with the view off";
}

}  // namespace
