// Matrices between the import library's convention (column vectors, translation in the
// fourth column) and the engine's (row vectors, translation in the fourth row).
#pragma once

#include <assimp/types.h>

#include <optional>

#include "math/Matrix4.h"

// The same transform in the engine's row-vector layout: the transpose.
Matrix4 ToEngineMatrix(const aiMatrix4x4& m);
// And back.
aiMatrix4x4 ToLibraryMatrix(const Matrix4& m);

bool IsFinite(const aiMatrix4x4& m);

// The inverse, or nothing for a (nearly) singular or non-finite matrix.
std::optional<aiMatrix4x4> InverseOf(const aiMatrix4x4& m);
