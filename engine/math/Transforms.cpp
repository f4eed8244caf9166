#include "math/Transforms.h"

#include <cmath>
#include <numbers>

Matrix4 RotationX(float radians)
{
    const float c = std::cos(radians), s = std::sin(radians);
    Matrix4 r = Matrix4::Identity();
    r.m[1][1] = c;
    r.m[1][2] = -s;
    r.m[2][1] = s;
    r.m[2][2] = c;
    return r;
}

Matrix4 RotationY(float radians)
{
    const float c = std::cos(radians), s = std::sin(radians);
    Matrix4 r = Matrix4::Identity();
    r.m[0][0] = c;
    r.m[0][2] = s;
    r.m[2][0] = -s;
    r.m[2][2] = c;
    return r;
}

Matrix4 RotationZ(float radians)
{
    const float c = std::cos(radians), s = std::sin(radians);
    Matrix4 r = Matrix4::Identity();
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    return r;
}

Matrix4 YawPitchRotation(float yawRadians, float pitchRadians)
{
    return Multiply(RotationY(yawRadians), RotationX(pitchRadians));
}

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
