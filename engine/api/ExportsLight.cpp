// Exports of the light, the sky and the background.
#include "api/Engine.h"
#include "api/public/vornis_engine.h"
#include "graphics/GraphicsDevice.h"
#include "scene/Camera.h"
#include "scene/Light.h"
#include "scene/Scene.h"
#include "textures/TextureRecord.h"

namespace {

// The scene's light record; null while there is no scene (and so no light).
CLight* SceneLight()
{
    CEngine* engine = GetEngine();
    return engine && engine->scene ? &engine->scene->light : nullptr;
}

}  // namespace

VORNIS_API void FeedLightControl(bool a, bool b, bool c, bool d)
{
    CEngine* engine = GetEngine();
    if (!engine || !engine->input)
        return;
    engine->input->lightKeys[0] = a;
    engine->input->lightKeys[1] = b;
    engine->input->lightKeys[2] = c;
    engine->input->lightKeys[3] = d;
}

VORNIS_API void SetLightColor(int r, int g, int b)
{
    if (CLight* light = SceneLight())
        light->SetColor(r, g, b);
}

// The light belongs to the scene, so without a scene there is no intensity to set.
VORNIS_API void SetLightIntensity(float value)
{
    if (CLight* light = SceneLight())
        light->SetIntensity(value);
}

VORNIS_API void SetLightOrientationToCamera()
{
    CEngine* engine = GetEngine();
    CLight* light = SceneLight();
    if (engine && engine->camera && light)
        light->OrientToCamera(*engine->camera);
}

namespace {

CScene* Scene()
{
    CEngine* engine = GetEngine();
    return engine ? engine->scene.get() : nullptr;
}

}  // namespace

VORNIS_API void SetSkyBoxTexture(const char* path)
{
    if (CScene* scene = Scene(); scene && path)
        scene->SetSkyboxTexture(path);
}

VORNIS_API void RenderSkyBox(bool on)
{
    if (CScene* scene = Scene())
        scene->renderSkybox = on;
}

VORNIS_API void ChangeCubeMapMipLevel(int level)
{
    CScene* scene = Scene();
    if (!scene || level < 0)
        return;
    scene->cubeMapMipLevel = static_cast<uint32_t>(level);
    if (scene->cubeMap)
        scene->cubeMap->displayedMipLevel = static_cast<uint32_t>(level);
}

VORNIS_API void SetBackgroundColor(int r, int g, int b)
{
    CEngine* engine = GetEngine();
    if (!engine || !engine->device)
        return;
    engine->device->clearColor[0] = static_cast<float>(r) / 255.0f;
    engine->device->clearColor[1] = static_cast<float>(g) / 255.0f;
    engine->device->clearColor[2] = static_cast<float>(b) / 255.0f;
}

VORNIS_API void ChangeSizeOfXYZModel(int steps)
{
    if (CScene* scene = Scene())
        scene->ChangeGizmoSize(steps);
}
