// Exports that act on the user's model. Each takes the scene's model lock: a finishing
// load swaps and frees the old model under it.
#include "api/Engine.h"
#include "api/public/vornis_engine.h"
#include "models/ModelNode.h"
#include "models/ModelTextureSource.h"
#include "scene/Camera.h"
#include "scene/Scene.h"

namespace {

CScene* Scene()
{
    CEngine* engine = GetEngine();
    return engine ? engine->scene.get() : nullptr;
}

template <typename Use>
void WithModel(Use use)
{
    if (CScene* scene = Scene())
        scene->WithModel([&](CModelNode* model) {
            if (model)
                use(*model);
        });
}

std::optional<Float3> CameraEye()
{
    CEngine* engine = GetEngine();
    if (!engine || !engine->camera)
        return std::nullopt;
    return Float3{engine->camera->eye[0], engine->camera->eye[1], engine->camera->eye[2]};
}

}  // namespace

VORNIS_API void LoadModel(const char* path)
{
    CEngine* engine = GetEngine();
    if (!path || !engine || !engine->scene || !engine->modelImporter)
        return;
    engine->scene->LoadModel(path, *engine->modelImporter);
    engine->scene->FocusCameraOnModel(true);
}

VORNIS_API void AddAnimation(const char* path)
{
    CEngine* engine = GetEngine();
    if (!path || !engine || !engine->scene || !engine->modelImporter)
        return;
    engine->scene->LoadModel(path, *engine->modelImporter, ModelLoadKind::Animation);
}

VORNIS_API bool ReloadModel()
{
    CEngine* engine = GetEngine();
    return engine && engine->ReloadModel();
}

VORNIS_API bool IsModelLoaded()
{
    CScene* scene = Scene();
    return scene && !scene->IsLoadPending();
}

VORNIS_API void ShowOnly(const char* shaderName)
{
    if (!shaderName)
        return;
    WithModel([&](CModelNode& model) { model.shaderName = shaderName; });
}

VORNIS_API void Rotate(bool x, bool y, bool z)
{
    WithModel([&](CModelNode& model) { model.SetRotation(x, y, z); });
}

VORNIS_API void SetTextureSet(int slot, unsigned set)
{
    WithModel([&](CModelNode& model) { model.SetTextureUvSet(slot, set); });
}

VORNIS_API bool HasTexture(int slot)
{
    CScene* scene = Scene();
    if (!scene)
        return false;
    bool holds = false;
    scene->WithModel([&](CModelNode* model) { holds = model && model->HoldsFileTexture(slot); });
    return !holds;
}

VORNIS_API void SetVertexColor(int mode)
{
    WithModel([&](CModelNode& model) { model.SetVertexColorMode(static_cast<uint32_t>(mode)); });
}

VORNIS_API void SetExtraTexture(const char* path, int index)
{
    CScene* scene = Scene();
    if (!scene)
        return;
    // Only the five slots 0 to 4 exist; a negative index is refused like a large one.
    if (index < 0 || index > 4) {
        scene->ReportMessage("Extra texture: Index must be lower than 4 and higher than 0",
                             MessageLevelError);
        return;
    }
    if (path)
        scene->AssignExtraTexture(path, index);
}

VORNIS_API int GetVertCount()
{
    uint64_t count = 0;
    const std::optional<Float3> eye = CameraEye();
    WithModel([&](CModelNode& model) { count = model.VertexCount(eye); });
    return static_cast<int>(count);
}

VORNIS_API int GetTrisCount()
{
    uint64_t count = 0;
    const std::optional<Float3> eye = CameraEye();
    WithModel([&](CModelNode& model) { count = model.TriangleCount(eye); });
    return static_cast<int>(count);
}

VORNIS_API void DumpModelInformation()
{
    // Before start-up there is no model either: the design's first box says so.
    CScene* scene = Scene();
    if (!scene) {
        DumpModelInformation(nullptr);
        return;
    }
    scene->WithModel([](CModelNode* model) { DumpModelInformation(model); });
}

VORNIS_API void SetRighthandedTangentSpace(bool value)
{
    if (CEngine* engine = GetEngine())
        engine->rightHandedTangentSpace = value;
}
