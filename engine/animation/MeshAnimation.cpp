#include "animation/MeshAnimation.h"

#include <algorithm>

#include "animation/AnimationMatrix.h"
#include "animation/AnimationSet.h"
#include "models/MeshObject.h"
#include "models/ModelImportContext.h"

bool PoseIntoPalette(CMeshObject& meshObject)
{
    AnimationSet* set = meshObject.animationSet.get();
    if (!set || !meshObject.meshData || !meshObject.context || meshObject.context->boneCount == 0)
        return false;
    for (auto& [key, controller] : set->controllers)
        controller->blend = meshObject.blendValue;
    AnimationController* controller = set->ControllerFor(meshObject.meshData->importedMesh);
    if (!controller || !controller->ComputePose() || controller->bones.empty())
        return false;
    // Camera-joint nodes may add bones after the mesh's own; those are never skinned to.
    const size_t count = std::min<size_t>(controller->bones.size(), meshObject.bonePalette.size());
    for (size_t i = 0; i < count; ++i) {
        const aiMatrix4x4& final = controller->bones[i].finalTransform;
        if (IsFinite(final))
            meshObject.bonePalette[i] = ToEngineMatrix(final);
    }
    return true;
}
