// Tone-mapped PNG of one mip of a cube map laid out as a cross, to judge the generated skies
// by eye: -X, +Z, +X, -Z across the middle, +Y above and -Y below +Z.
#pragma once

#include <string>

#include "DdsWriter.h"

namespace assets {

std::string WriteCubePreviewPng(const std::string& path, const CubeMips& cube, int mip);

}  // namespace assets
