// Exports of the camera and the host's input feed.
#include "api/Engine.h"
#include "api/public/vornis_engine.h"
#include "scene/Scene.h"

#include <cstdint>
#include <limits>

#include "scene/Camera.h"

namespace {

InputState* Input()
{
    CEngine* engine = GetEngine();
    return engine ? engine->input.get() : nullptr;
}

CCamera* Camera()
{
    CEngine* engine = GetEngine();
    return engine ? engine->camera.get() : nullptr;
}

float EyeComponent(int axis)
{
    const CCamera* camera = Camera();
    return camera ? camera->eye[axis] / 100.0f : 0.0f;
}

// A host that keeps scrolling one way must not overflow the total.
int32_t SaturatingAdd(int32_t total, int32_t steps)
{
    const int64_t sum = static_cast<int64_t>(total) + steps;
    if (sum > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (sum < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(sum);
}

}  // namespace

VORNIS_API void FeedMousePos(int x, int y)
{
    if (InputState* input = Input()) {
        input->mouseX = static_cast<float>(x);
        input->mouseY = static_cast<float>(y);
    }
}

VORNIS_API void FeedCameraControl(bool a, bool b, bool c, bool d)
{
    if (InputState* input = Input()) {
        input->cameraKeys[0] = a;
        input->cameraKeys[1] = b;
        input->cameraKeys[2] = c;
        input->cameraKeys[3] = d;
    }
}

VORNIS_API void FeedMouseScroll(int steps)
{
    if (InputState* input = Input())
        input->wheel = SaturatingAdd(input->wheel, steps);
}

VORNIS_API void ResetCamera()
{
    CCamera* camera = Camera();
    InputState* input = Input();
    if (camera && input)
        camera->Reset(*input);
}

VORNIS_API void FocusOnObject()
{
    CEngine* engine = GetEngine();
    if (engine && engine->scene)
        engine->scene->FocusCameraOnModel(true);
}

VORNIS_API void SetFOV(int degrees)
{
    if (CCamera* camera = Camera())
        camera->SetFieldOfView(degrees);
}

VORNIS_API void SetNearAndFarPlane(float nearPlane, float farPlane)
{
    if (CCamera* camera = Camera())
        camera->SetNearAndFarPlane(nearPlane, farPlane);
}

VORNIS_API void SetPhotoMode(bool on)
{
    CEngine* engine = GetEngine();
    if (engine && engine->scene)
        engine->scene->photoMode = on;
}

VORNIS_API float GetCameraX()
{
    return EyeComponent(0);
}

VORNIS_API float GetCameraY()
{
    return EyeComponent(1);
}

VORNIS_API float GetCameraZ()
{
    return EyeComponent(2);
}
