// Exports of skeletal and camera animation. The model ones take the scene's model lock: a
// finishing load swaps and frees the old model under it.
#include "animation/AnimationQueries.h"
#include "api/Engine.h"
#include "api/public/vornis_engine.h"
#include "models/ModelNode.h"
#include "scene/Camera.h"
#include "scene/Scene.h"

namespace {

template <typename Use>
void WithModel(Use use)
{
    CEngine* engine = GetEngine();
    if (engine && engine->scene)
        engine->scene->WithModel([&](CModelNode* model) {
            if (model)
                use(*model);
        });
}

// The camera animation settings are taken only once the scene exists.
CCamera* CameraWithScene()
{
    CEngine* engine = GetEngine();
    return engine && engine->scene ? engine->camera.get() : nullptr;
}

}  // namespace

VORNIS_API void SetAnimSpeed(int speed)
{
    WithModel([speed](CModelNode& model) { model.SetAnimationSpeed(speed); });
}

VORNIS_API void AddActiveAnimation(int clip)
{
    WithModel([clip](CModelNode& model) { ActivateClip(model, clip); });
}

VORNIS_API void EngineSetAnimationBlend(float blend)
{
    WithModel([blend](CModelNode& model) { SetAnimationBlend(model, blend); });
}

// The clip queries and the three calls below are part of the interface for other hosts;
// clips are chosen through the animation window instead.
VORNIS_API float GetAnimationLength()
{
    return 0.0f;
}

VORNIS_API int GetNumberOfAnimationClips()
{
    return 0;
}

VORNIS_API const char* GetAnimationClipName()
{
    return nullptr;
}

VORNIS_API void BeginAnimations() {}

VORNIS_API void ClearActiveAnimations() {}

VORNIS_API void SetAnimationMode(int /*mode*/) {}

VORNIS_API void SetCameraAnimationSpeed(int value)
{
    if (CCamera* camera = CameraWithScene())
        camera->animSpeed = static_cast<float>(value) * 0.1f;
}

VORNIS_API void SetCameraAnimationScale(int value)
{
    // Squared in floating point: an int square overflows from 46341 on.
    const float v = static_cast<float>(value);
    if (CCamera* camera = CameraWithScene())
        camera->animScale = v * v * 0.0001f + 0.01f;
}

VORNIS_API void SetCameraAnimationState(bool on)
{
    if (CCamera* camera = CameraWithScene())
        camera->animEnabled = on;
}
