// The engine's one matrix type and its algebra. Row-major and for row vectors: a point p
// maps to p * M, and the translation sits in the fourth row. Every subsystem keeps its
// matrices in this form; only the draw constants turn them into the shaders' layout.
#pragma once

#include <array>

using Float3 = std::array<float, 3>;

struct Matrix4 {
    float m[4][4];  // m[row][column]

    static constexpr Matrix4 Identity()
    {
        return {{{1.0f, 0.0f, 0.0f, 0.0f},
                 {0.0f, 1.0f, 0.0f, 0.0f},
                 {0.0f, 0.0f, 1.0f, 0.0f},
                 {0.0f, 0.0f, 0.0f, 1.0f}}};
    }
    friend bool operator==(const Matrix4&, const Matrix4&) = default;
};
static_assert(sizeof(Matrix4) == 64);

Matrix4 Multiply(const Matrix4& a, const Matrix4& b);
Matrix4 Transpose(const Matrix4& a);
// Inverse of a rotation + translation: transposed 3 x 3 rotation, translation -t * R^T.
Matrix4 InverseRigid(const Matrix4& a);

// The translation row.
constexpr Float3 TranslationOf(const Matrix4& a)
{
    return {a.m[3][0], a.m[3][1], a.m[3][2]};
}

// The point p * a (w = 1), without the perspective divide. Inline: framing a large model
// calls it for every vertex.
inline Float3 TransformPoint(const Float3& p, const Matrix4& a)
{
    Float3 r;
    for (int c = 0; c < 3; ++c)
        r[c] = p[0] * a.m[0][c] + p[1] * a.m[1][c] + p[2] * a.m[2][c] + a.m[3][c];
    return r;
}
