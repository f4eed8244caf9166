#include "models/ModelAnimationHooks.h"

#include <atomic>
#include <mutex>

#include "models/ModelNode.h"

namespace {

std::atomic<const ModelAnimationHooks*> installedHooks{nullptr};

std::mutex accessLock;
ShownModelAccess shownModelAccess;

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

void SetModelAnimationHooks(const ModelAnimationHooks* hooks)
{
    installedHooks.store(hooks, std::memory_order_release);
}

const ModelAnimationHooks* GetModelAnimationHooks()
{
    return installedHooks.load(std::memory_order_acquire);
}

void SetShownModelAccess(ShownModelAccess access)
{
    std::lock_guard<std::mutex> lock(accessLock);
    shownModelAccess = std::move(access);
}

void WithShownModel(const std::function<void(CModelNode* model)>& use)
{
    ShownModelAccess access;
    {
        std::lock_guard<std::mutex> lock(accessLock);
        access = shownModelAccess;
    }
    if (access)
        access(use);
    else
        use(nullptr);
}

void HandAnimationToModel(CModelNode& root, const ImportedScenePtr& scene, const std::string& path,
                          const aiMesh* onlyMesh)
{
    const ModelAnimationHooks* hooks = GetModelAnimationHooks();
    if (!hooks || !hooks->attachAnimation)
        return;
    for (auto& child : root.children)
        HandToSubtree(*child, scene, path, onlyMesh, *hooks);
    HandToMeshObjects(root, "Root", scene, path, onlyMesh, *hooks);
}
