// The texel of a material texture made from a material's values rather than a file.
#pragma once

#include <cstdint>

struct MaterialValues {
    float occlusion = 1.0f;
    float roughness = 0.5f;
    float metalness = 0.0f;
    float emissive = 0.0f;

    bool operator==(const MaterialValues&) const = default;
};

// The channels as the shaders read them: with texture packing R occlusion, G roughness,
// B metalness, A emissive; without it R metalness, G occlusion, B emissive, A smoothness.
// Values are clamped to 0..1.
uint32_t PackMaterialTexel(const MaterialValues& values, bool texturePacking);
