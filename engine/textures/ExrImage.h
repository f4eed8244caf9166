// OpenEXR images read through the library's RGBA interface and brought to RGBA8.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

struct ExrImage {
    uint32_t width = 0;  // of the data window
    uint32_t height = 0;
    // width x height texels, top row first; each texel's bytes in memory are R, G, B, A.
    std::vector<uint32_t> pixels;
};

// Larger data windows could never become a texture; refusing them bounds the allocation.
constexpr uint32_t kMaxExrSide = 16384;

// Nothing when the library cannot open or read the file or the data window is empty or
// too large.
std::optional<ExrImage> ReadExrImage(const std::filesystem::path& path);

// A half-float channel value as an 8-bit channel: clamped to 0..1, NaN as 0.
uint8_t ExrChannelToByte(float value);
