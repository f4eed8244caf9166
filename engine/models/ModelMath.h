// The few value types the model tree needs: row-major 4x4 matrices (translation in the
// fourth row, as the draw constants expect them) and three-component positions.
#pragma once

#include <array>

using Matrix4x4 = std::array<float, 16>;
using Float3 = std::array<float, 3>;

constexpr Matrix4x4 IdentityMatrix()
{
    return {1.0f, 0.0f, 0.0f, 0.0f,  //
            0.0f, 1.0f, 0.0f, 0.0f,  //
            0.0f, 0.0f, 1.0f, 0.0f,  //
            0.0f, 0.0f, 0.0f, 1.0f};
}

// The translation row of a row-major matrix (elements 12, 13 and 14).
constexpr Float3 TranslationOf(const Matrix4x4& matrix)
{
    return {matrix[12], matrix[13], matrix[14]};
}
