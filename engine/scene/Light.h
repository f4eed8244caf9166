// The one directional light: its angles, colour and intensity. The scene owns the light
// mesh that shows it; this record says where that mesh points.
#pragma once

#include <array>

#include "math/Matrix4.h"
#include "platform/InputState.h"

class CCamera;

class CLight {
   public:
    // (x, y, z, 1) once a light mesh has been oriented; zero until then.
    float direction[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float yaw = 0.0f;    // units of 0.01 radian
    float pitch = 0.0f;  // units of 0.01 radian
    float lastMouse[2] = {0.0f, 0.0f};
    float intensity = 1.0f;
    float color[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    // World matrix for the light mesh, valid after an update that had a mesh.
    Matrix4 meshWorld = Matrix4::Identity();

    // Mouse turning while the first two light keys (left button, left Ctrl) are held.
    // The direction follows only when there is a light mesh to show it.
    void Update(const InputState& input, bool hasLightMesh);

    // Components on a 0-255 scale; alpha becomes 1.
    void SetColor(int red, int green, int blue);
    // Value on a 0-255 scale.
    void SetIntensity(float value);
    // Copies the camera's orbit angles as numbers: with the light's coarser unit the light
    // turns twice as far as the camera.
    void OrientToCamera(const CCamera& camera);

    // What the shaders receive as light colour.
    std::array<float, 4> ShaderColor() const;
};
