#include "animation/JointPalette.h"

#include "animation/AnimationController.h"
#include "animation/AnimationSet.h"
#include "models/MeshObject.h"

int JointPaletteSlot(const std::map<std::string, uint32_t>& boneNumbers, const std::string& joint)
{
    const auto found = boneNumbers.find(joint);
    if (joint.empty() || found == boneNumbers.end() || found->second >= kBonePaletteSize)
        return -1;
    return static_cast<int>(found->second);
}

namespace {

const AnimationController* SkeletonOf(const CMeshObject& meshObject)
{
    if (!meshObject.animationSet || !meshObject.meshData || !meshObject.meshData->hasBones)
        return nullptr;
    return meshObject.animationSet->ControllerFor(meshObject.meshData->importedMesh);
}

}  // namespace

int JointPaletteSlot(const CMeshObject& meshObject, const std::string& joint)
{
    const AnimationController* controller = SkeletonOf(meshObject);
    return controller ? JointPaletteSlot(controller->boneMap, joint) : -1;
}

std::vector<std::string> MeshJointNames(const CMeshObject& meshObject)
{
    const AnimationController* controller = SkeletonOf(meshObject);
    if (!controller)
        return {};
    std::vector<std::string> names(controller->bones.size());
    for (const auto& [name, slot] : controller->boneMap)
        if (slot < names.size())
            names[slot] = name;
    return names;
}
