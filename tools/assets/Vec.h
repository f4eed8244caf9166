// Small vector maths for the asset generator; kept apart from the engine's own types so that
// the generator builds without the engine.
#pragma once

#include <cmath>

namespace assets {

struct Vec2 {
    float x = 0, y = 0;
};

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(Vec3 a, float s)
{
    return {a.x * s, a.y * s, a.z * s};
}
inline Vec3 operator*(float s, Vec3 a)
{
    return a * s;
}
inline float Dot(Vec3 a, Vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 Cross(Vec3 a, Vec3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Length(Vec3 a)
{
    return std::sqrt(Dot(a, a));
}
inline Vec3 Normalize(Vec3 a)
{
    const float len = Length(a);
    return len > 0 ? a * (1.0f / len) : a;
}

// Right-handed orthonormal frame whose third axis is `axis`.
struct Frame {
    Vec3 tangent, bitangent, axis;
};

inline Frame FrameAround(Vec3 axis)
{
    axis = Normalize(axis);
    const Vec3 helper = std::fabs(axis.y) < 0.9f ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
    const Vec3 tangent = Normalize(Cross(helper, axis));
    return {tangent, Cross(axis, tangent), axis};
}

}  // namespace assets
