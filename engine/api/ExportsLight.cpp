// Exports of the light, the sky and the background.
#include "api/Engine.h"
#include "api/public/vornis_engine.h"
#include "scene/Camera.h"
#include "scene/Light.h"
#include "scene/SceneAccess.h"

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

VORNIS_API void SetSkyBoxTexture(const char* path) {}

VORNIS_API void RenderSkyBox(bool on) {}

VORNIS_API void ChangeCubeMapMipLevel(int level) {}

VORNIS_API void SetBackgroundColor(int r, int g, int b) {}

VORNIS_API void ChangeSizeOfXYZModel(int steps) {}
