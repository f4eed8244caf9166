#include "scene/Light.h"

#include "math/Transforms.h"
#include "scene/Camera.h"

namespace {
constexpr float kAngleUnit = 0.01f;  // radians per light unit, one unit per mouse pixel
}

void CLight::Update(const InputState& input, bool hasLightMesh)
{
    const float deltaX = input.mouseX - lastMouse[0];
    const float deltaY = input.mouseY - lastMouse[1];
    lastMouse[0] = input.mouseX;
    lastMouse[1] = input.mouseY;
    if (input.lightKeys[0] && input.lightKeys[1] && !input.pointerHeldByInterface) {
        yaw += deltaX;
        pitch += deltaY;
    }
    if (!hasLightMesh)
        return;
    meshWorld = InverseRigid(YawPitchRotation(yaw * kAngleUnit, pitch * kAngleUnit));
    direction[0] = meshWorld.m[2][0];
    direction[1] = meshWorld.m[2][1];
    direction[2] = meshWorld.m[2][2];
    direction[3] = 1.0f;
}

void CLight::SetColor(int red, int green, int blue)
{
    color[0] = static_cast<float>(red) / 255.0f;
    color[1] = static_cast<float>(green) / 255.0f;
    color[2] = static_cast<float>(blue) / 255.0f;
    color[3] = 1.0f;
}

void CLight::SetIntensity(float value)
{
    intensity = value / 255.0f;
}

void CLight::OrientToCamera(const CCamera& camera)
{
    yaw = camera.yaw;
    pitch = camera.pitch;
}

std::array<float, 4> CLight::ShaderColor() const
{
    return {color[0] * intensity, color[1] * intensity, color[2] * intensity, color[3] * intensity};
}
