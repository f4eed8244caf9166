#include "textures/MaterialMapPacking.h"

#include <algorithm>

namespace {

// The red channel of the texel nearest to (x, y) of a picture `width` x `height`, 0 to 1.
float RedAt(const DecodedImage& image, uint32_t x, uint32_t y, uint32_t width, uint32_t height)
{
    const uint32_t sx = static_cast<uint32_t>(static_cast<uint64_t>(x) * image.width / width);
    const uint32_t sy = static_cast<uint32_t>(static_cast<uint64_t>(y) * image.height / height);
    const uint32_t texel = image.texels[static_cast<size_t>(sy) * image.width + sx];
    return static_cast<float>(texel & 0xFF) / 255.0f;
}

bool Usable(const DecodedImage* image)
{
    return image && image->width > 0 && image->height > 0 &&
           image->texels.size() == static_cast<size_t>(image->width) * image->height;
}

}  // namespace

std::optional<DecodedImage> PackMaterialMaps(const DecodedImage* roughness,
                                             const DecodedImage* metalness,
                                             const MaterialValues& values, bool texturePacking)
{
    if (!Usable(roughness))
        roughness = nullptr;
    if (!Usable(metalness))
        metalness = nullptr;
    if (!roughness && !metalness)
        return std::nullopt;
    DecodedImage packed;
    for (const DecodedImage* map : {roughness, metalness})
        if (map) {
            packed.width = std::max(packed.width, map->width);
            packed.height = std::max(packed.height, map->height);
        }
    packed.texels.resize(static_cast<size_t>(packed.width) * packed.height);
    MaterialValues texel = values;
    for (uint32_t y = 0; y < packed.height; ++y)
        for (uint32_t x = 0; x < packed.width; ++x) {
            if (roughness)
                texel.roughness = RedAt(*roughness, x, y, packed.width, packed.height);
            if (metalness)
                texel.metalness = RedAt(*metalness, x, y, packed.width, packed.height);
            packed.texels[static_cast<size_t>(y) * packed.width + x] =
                PackMaterialTexel(texel, texturePacking);
        }
    return packed;
}
