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

int JointPaletteSlot(const CMeshObject& meshObject, const std::string& joint)
{
    if (!meshObject.animationSet || !meshObject.meshData || !meshObject.meshData->hasBones)
        return -1;
    const AnimationController* controller =
        meshObject.animationSet->ControllerFor(meshObject.meshData->importedMesh);
    return controller ? JointPaletteSlot(controller->boneMap, joint) : -1;
}
