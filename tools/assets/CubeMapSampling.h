// Direction <-> texel mapping of Direct3D cube maps (faces +X, -X, +Y, -Y, +Z, -Z, rows from
// the top) and bilinear reads within a face.
#pragma once

#include <array>

#include "DdsWriter.h"
#include "Vec.h"

namespace assets {

// Unit direction through the face point (u, v), both in -1..1, v growing downwards.
Vec3 CubeDirection(int face, float u, float v);

struct CubeFacePoint {
    int face;
    float u, v;
};
CubeFacePoint CubeFacePointOf(Vec3 direction);

// Linear RGB radiance of one mip level, looked up bilinearly (clamped at face edges).
Vec3 SampleCube(const std::array<const FloatImage*, 6>& level, Vec3 direction);

}  // namespace assets
