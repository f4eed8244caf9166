#include "scene/BoneWeightChoice.h"

void ChooseWeightJoint(SceneInspection& inspection, const std::string& joint)
{
    BoneWeightView& view = inspection.boneWeights;
    if (IsWeightJointShown(inspection, joint))
        view.joint.clear();
    else
        view.joint = joint;
    view.jointCount = false;
}

bool IsWeightJointShown(const SceneInspection& inspection, const std::string& joint)
{
    const BoneWeightView& view = inspection.boneWeights;
    return !joint.empty() && view.joint == joint && !view.jointCount;
}

void ShowJointCount(SceneInspection& inspection, bool on)
{
    inspection.boneWeights.jointCount = on;
}

void ClearWeightView(SceneInspection& inspection)
{
    inspection.boneWeights = {};
}
