// A material texture made from separate greyscale maps: exporters such as Blender's write
// roughness and metalness as images of their own, while the shaders read one packed texture
// (see MaterialTexel.h). Plain data in, plain data out.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "textures/EncodedImageReader.h"
#include "textures/MaterialTexel.h"

// What a material texture is made of: a map per channel where the material has one (its red
// channel is the value), the material's own value where not.
struct MaterialMaps {
    std::filesystem::path roughnessMap;  // empty: `values.roughness` everywhere
    std::filesystem::path metalnessMap;  // empty: `values.metalness` everywhere
    MaterialValues values;

    bool operator==(const MaterialMaps&) const = default;
};

// Packs the maps at the size of the larger one (the other sampled at the nearest texel).
// Nothing without a map.
std::optional<DecodedImage> PackMaterialMaps(const DecodedImage* roughness,
                                             const DecodedImage* metalness,
                                             const MaterialValues& values, bool texturePacking);
