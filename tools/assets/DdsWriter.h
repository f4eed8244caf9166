// Writes the two DDS layouts the generated assets use: 8-bit RGBA images with a mip chain
// (legacy header with channel masks) and half-float RGBA cube maps (extended header).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace assets {

struct Rgba8Image {
    int width = 0, height = 0;
    std::vector<uint8_t> texels;  // row-major, 4 bytes per texel
};

// Square RGBA image in linear floating point, one face of one mip of a cube map.
struct FloatImage {
    int size = 0;
    std::vector<float> texels;  // row-major, 4 floats per texel
};

// Face order +X, -X, +Y, -Y, +Z, -Z; each face holds its mips from the largest down.
using CubeMips = std::array<std::vector<FloatImage>, 6>;

Rgba8Image SolidImage(int width, int height, uint8_t r, uint8_t g, uint8_t b, uint8_t a);

// Box-filtered mips down to 1 x 1, the given image first.
std::vector<Rgba8Image> BuildMipChain(const Rgba8Image& top);

// Both return an empty string on success, otherwise why the file was not written.
std::string WriteDdsRgba8(const std::string& path, const std::vector<Rgba8Image>& mips);
std::string WriteDdsCubeRgba16f(const std::string& path, const CubeMips& faces);

}  // namespace assets
