// The measuring tools' way to the UV Layout window.
#include "api/Engine.h"
#include "api/tool/ToolAccess.h"
#include "models/ModelNode.h"
#include "scene/Scene.h"
#include "ui/InterfaceState.h"
#include "ui/Panels.h"

namespace tool {

bool OpenUvLayoutWindow()
{
    CEngine* engine = GetEngine();
    CScene* scene = engine ? engine->scene.get() : nullptr;
    if (!scene || !engine->debugInterface)
        return false;
    bool opened = false;
    scene->WithModel([&](CModelNode* model) {
        std::vector<CMeshObject*> meshes;
        if (model)
            model->CollectMeshObjects(meshes);
        if (meshes.empty())
            return;
        OpenUvLayout(*engine->debugInterface, meshes.front());
        opened = true;
    });
    return opened;
}

}  // namespace tool
