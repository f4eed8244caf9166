// Exports that act on the user's model.
#include "api/Engine.h"
#include "api/public/vornis_engine.h"
#include "scene/Scene.h"

namespace {

CScene* Scene()
{
    CEngine* engine = GetEngine();
    return engine ? engine->scene.get() : nullptr;
}

}  // namespace

VORNIS_API void LoadModel(const char* path)
{
    if (!path || !Scene())
        return;
}

VORNIS_API void AddAnimation(const char* path)
{
    if (!path || !Scene())
        return;
}

VORNIS_API bool ReloadModel()
{
    CEngine* engine = GetEngine();
    if (!engine || !engine->scene)
        return false;
    engine->reloadRequested = false;
    return false;
}

VORNIS_API bool IsModelLoaded()
{
    CScene* scene = Scene();
    return scene && !scene->loading;
}

VORNIS_API void ShowOnly(const char* shaderName) {}

VORNIS_API void Rotate(bool x, bool y, bool z) {}

VORNIS_API void SetTextureSet(int slot, unsigned set) {}

VORNIS_API bool HasTexture(int slot)
{
    return false;
}

VORNIS_API void SetVertexColor(int mode) {}

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
    if (!path)
        return;
}

VORNIS_API int GetVertCount()
{
    return 0;
}

VORNIS_API int GetTrisCount()
{
    return 0;
}

VORNIS_API void DumpModelInformation() {}

VORNIS_API void SetRighthandedTangentSpace(bool value)
{
    if (CEngine* engine = GetEngine())
        engine->rightHandedTangentSpace = value;
}
