// Equirectangular Radiance HDR panoramas of a radiance function: test skies and the sample
// panoramas of the make-assets tool.
#pragma once

#include <functional>
#include <string>

#include "Vec.h"

namespace assets {

using RadianceFunction = std::function<Vec3(Vec3)>;

// Writes `width` x width/2 texels, flat RGBE scanlines. The image's centre looks along +z,
// its right quarter along +x, its top row is +y. Returns an error text, empty on success.
std::string WritePanoramaHdr(const std::string& path, int width, const RadianceFunction& radiance);

}  // namespace assets
