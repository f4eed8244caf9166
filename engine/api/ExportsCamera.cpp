// Exports of the camera and the host's input feed.
#include "api/Engine.h"
#include "api/public/vornis_engine.h"

namespace {

InputState* Input()
{
    CEngine* engine = GetEngine();
    return engine ? engine->input.get() : nullptr;
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
        input->wheel += steps;
}

VORNIS_API void ResetCamera() {}

VORNIS_API void FocusOnObject() {}

VORNIS_API void SetFOV(int degrees) {}

VORNIS_API void SetNearAndFarPlane(float nearPlane, float farPlane) {}

VORNIS_API void SetPhotoMode(bool on) {}

VORNIS_API float GetCameraX()
{
    return 0.0f;
}

VORNIS_API float GetCameraY()
{
    return 0.0f;
}

VORNIS_API float GetCameraZ()
{
    return 0.0f;
}
