#include "models/ModelAnimationHooks.h"

#include "models/ModelNode.h"

namespace {

void HandToMeshObjects(CModelNode& node, const std::string& nodeName, const ImportedScenePtr& scene,
                       const std::string& path, const aiMesh* onlyMesh,
                       const ModelAnimationHooks& hooks)
{
    for (auto& meshObject : node.meshObjects) {
        const aiMesh* mesh = meshObject->meshData ? meshObject->meshData->importedMesh : nullptr;
        if (!onlyMesh || mesh == onlyMesh)
            hooks.attachAnimation(*meshObject, scene, path, nodeName, onlyMesh);
    }
}

void HandToSubtree(CModelNode& node, const ImportedScenePtr& scene, const std::string& path,
                   const aiMesh* onlyMesh, const ModelAnimationHooks& hooks)
{
    for (auto& child : node.children)
        HandToSubtree(*child, scene, path, onlyMesh, hooks);
    HandToMeshObjects(node, node.name, scene, path, onlyMesh, hooks);
}

}  // namespace

void HandAnimationToModel(CModelNode& root, const ImportedScenePtr& scene, const std::string& path,
                          const aiMesh* onlyMesh, const ModelAnimationHooks& hooks)
{
    if (!hooks.attachAnimation)
        return;
    for (auto& child : root.children)
        HandToSubtree(*child, scene, path, onlyMesh, hooks);
    HandToMeshObjects(root, "Root", scene, path, onlyMesh, hooks);
    if (!onlyMesh && hooks.attachNodeAnimation)
        hooks.attachNodeAnimation(root, scene, path, false);
}
