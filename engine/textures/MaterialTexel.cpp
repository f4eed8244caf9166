#include "textures/MaterialTexel.h"

#include <algorithm>
#include <cmath>

#include "textures/BuiltInTextures.h"

namespace {

uint8_t Byte(float value)
{
    if (!std::isfinite(value))
        value = 0.0f;
    return static_cast<uint8_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

}  // namespace

uint32_t PackMaterialTexel(const MaterialValues& v, bool texturePacking)
{
    if (texturePacking)
        return PackRgba8(Byte(v.occlusion), Byte(v.roughness), Byte(v.metalness), Byte(v.emissive));
    return PackRgba8(Byte(v.metalness), Byte(v.occlusion), Byte(v.emissive),
                     Byte(1.0f - v.roughness));
}
