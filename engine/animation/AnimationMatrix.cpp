#include "animation/AnimationMatrix.h"

#include <cmath>

Matrix4 ToEngineMatrix(const aiMatrix4x4& m)
{
    return {{{m.a1, m.b1, m.c1, m.d1},
             {m.a2, m.b2, m.c2, m.d2},
             {m.a3, m.b3, m.c3, m.d3},
             {m.a4, m.b4, m.c4, m.d4}}};
}

aiMatrix4x4 ToLibraryMatrix(const Matrix4& m)
{
    return aiMatrix4x4(m.m[0][0], m.m[1][0], m.m[2][0], m.m[3][0], m.m[0][1], m.m[1][1], m.m[2][1],
                       m.m[3][1], m.m[0][2], m.m[1][2], m.m[2][2], m.m[3][2], m.m[0][3], m.m[1][3],
                       m.m[2][3], m.m[3][3]);
}

bool IsFinite(const aiMatrix4x4& m)
{
    const float* values = &m.a1;
    for (int i = 0; i < 16; ++i)
        if (!std::isfinite(values[i]))
            return false;
    return true;
}

std::optional<aiMatrix4x4> InverseOf(const aiMatrix4x4& m)
{
    if (!IsFinite(m))
        return std::nullopt;
    const float determinant = m.Determinant();
    // Offsets and node transforms of real files are scaled by at most a few thousand; a
    // determinant this small means a collapsed axis, whose inverse would be garbage.
    if (!std::isfinite(determinant) || std::fabs(determinant) < 1e-12f)
        return std::nullopt;
    aiMatrix4x4 inverse = m;
    inverse.Inverse();
    if (!IsFinite(inverse))
        return std::nullopt;
    return inverse;
}
