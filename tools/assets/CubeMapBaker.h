// Bakes an environment into a cube map whose mips are prefiltered for rough reflections:
// mip m stands for GGX roughness m / (mips - 1), which is how the shaders pick a level.
#pragma once

#include <functional>

#include "DdsWriter.h"
#include "Vec.h"

namespace assets {

using RadianceFunction = std::function<Vec3(Vec3 direction)>;

// Full mip chain down to 1 x 1. `faceSize` must be a power of two.
CubeMips BakePrefilteredCube(int faceSize, const RadianceFunction& radiance);

}  // namespace assets
