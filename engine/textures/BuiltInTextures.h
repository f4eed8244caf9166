// Texels of the engine's built-in textures, as the shaders expect them.
#pragma once

#include <cstdint>
#include <vector>

// A texel value whose bytes in memory are R, G, B, A.
constexpr uint32_t PackRgba8(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    return static_cast<uint32_t>(r) | (static_cast<uint32_t>(g) << 8) |
           (static_cast<uint32_t>(b) << 16) | (static_cast<uint32_t>(a) << 24);
}

inline constexpr uint32_t kBuiltInSquareSide = 4;
inline constexpr uint32_t kCheckerboardSide = 16;

inline constexpr uint32_t kWhiteTexel = PackRgba8(255, 255, 255, 255);
// Alpha 0: materials read the black square as "no emission, no mask".
inline constexpr uint32_t kBlackTexel = PackRgba8(0, 0, 0, 0);
inline constexpr uint32_t kFlatNormalTexel = PackRgba8(128, 128, 255, 255);
inline constexpr uint32_t kCheckerMagenta = PackRgba8(255, 0, 255, 255);
inline constexpr uint32_t kCheckerBlack = PackRgba8(0, 0, 0, 255);

// 16 x 16: magenta where column + row is odd, opaque black where it is even.
std::vector<uint32_t> CheckerboardTexels();
