#include "scene/CameraMath.h"

#include <cmath>
#include <numbers>

Matrix4 PerspectiveProjection(float width, float height, float fieldOfViewDegrees, float nearPlane,
                              float farPlane)
{
    const float half = fieldOfViewDegrees * std::numbers::pi_v<float> / 180.0f * 0.5f;
    const float scale = std::cos(half) / std::sin(half);
    const float depthScale = farPlane / (farPlane - nearPlane);
    Matrix4 r{};
    r.m[0][0] = scale;
    r.m[1][1] = scale * width / height;
    r.m[2][2] = depthScale;
    r.m[2][3] = 1.0f;
    r.m[3][2] = -depthScale * nearPlane;
    return r;
}

bool PerspectiveIsUsable(float width, float height, float fieldOfViewDegrees, float nearPlane,
                         float farPlane)
{
    const float values[] = {width, height, fieldOfViewDegrees, nearPlane, farPlane};
    for (float value : values)
        if (!std::isfinite(value))
            return false;
    return width > 0.0f && height > 0.0f && fieldOfViewDegrees > 0.0f &&
           fieldOfViewDegrees < 180.0f && farPlane != nearPlane;
}

Matrix4 YawPitchRotation(float yawRadians, float pitchRadians)
{
    const float cy = std::cos(yawRadians), sy = std::sin(yawRadians);
    const float cp = std::cos(pitchRadians), sp = std::sin(pitchRadians);
    Matrix4 ry = Matrix4::Identity();
    ry.m[0][0] = cy;
    ry.m[0][2] = sy;
    ry.m[2][0] = -sy;
    ry.m[2][2] = cy;
    Matrix4 rx = Matrix4::Identity();
    rx.m[1][1] = cp;
    rx.m[1][2] = -sp;
    rx.m[2][1] = sp;
    rx.m[2][2] = cp;
    return Multiply(ry, rx);
}
