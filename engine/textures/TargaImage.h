// Truevision TGA images decoded by the engine's own decoder into RGBA8 texels.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

struct TargaImage {
    uint16_t width = 0;
    uint16_t height = 0;
    // width x height texels, top row first, left texel first; each texel's bytes in memory
    // are R, G, B, A. Empty when the decoder could not decode the image.
    std::vector<uint32_t> pixels;

    bool HasPixels() const { return !pixels.empty(); }
    std::array<uint8_t, 4> Texel(uint32_t x, uint32_t y) const;
};

// Larger images could never become a texture; refusing them bounds the allocation.
constexpr uint32_t kMaxTargaSide = 16384;

// Decodes a whole file's bytes. Truncated data, unknown types and depths give an image
// without pixels (width and height as far as the header could be read).
TargaImage DecodeTargaImage(std::span<const uint8_t> file);

// Nothing when the file cannot be opened or read. Reads no more than the header says the
// image can use.
std::optional<TargaImage> ReadTargaImage(const std::filesystem::path& path);

// TGA has no signature: a known image type, colour-map type and depth and a non-zero size
// are what tells its header from other bytes. The decoder may still refuse the depth.
bool LooksLikeTargaHeader(std::span<const uint8_t> head);

// The most bytes the decoder reads for the image whose header starts `head` (header,
// image ID, colour map and texels, run-length packets at their largest); nothing for a
// header the decoder refuses.
std::optional<uint64_t> TargaBytesUsed(std::span<const uint8_t> head);
