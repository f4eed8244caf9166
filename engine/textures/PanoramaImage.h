// Equirectangular HDR panoramas (Radiance .hdr through stb_image, OpenEXR .exr), the
// lighting artists take from every HDR library, read as linear float RGB for the sky.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct PanoramaImage {
    uint32_t width = 0;
    uint32_t height = 0;
    // width x height RGB texels, top row (+Y) first, in the decoder's own allocation (taken
    // over, never copied: a copy of a 4K panorama costs as much as its decoding).
    std::unique_ptr<float[], void (*)(void*)> texels{nullptr, std::free};
    size_t floats = 0;

    std::span<float> Rgb() const { return {texels.get(), texels ? floats : 0}; }
    // Room for width x height texels; false when there is none.
    bool Allocate(uint32_t newWidth, uint32_t newHeight);
};

// An equirectangular image is twice as wide as high; the widest one accepted is the
// encoded-image cap, which bounds the float copy at 384 MiB.
inline constexpr uint32_t kMaxPanoramaWidth = 8192;

// Whether a sky file is a panorama by its extension: ".hdr" or ".exr", either case, as the
// viewer takes them when dropped.
bool IsPanoramaName(const std::filesystem::path& path);
bool IsExrName(const std::filesystem::path& path);

// Nothing, with the reason for the log in `reason`, for a file that is no readable
// panorama of a size the sky takes.
std::optional<PanoramaImage> ReadPanorama(const std::filesystem::path& path, std::string& reason);

// The shape check on its own: width twice the height (within a texel or two) and no
// wider than kMaxPanoramaWidth. Empty when fine, else why not.
std::string PanoramaShapeProblem(uint64_t width, uint64_t height);

// Decoders for ReadPanorama; `bytes` is the whole file.
std::optional<PanoramaImage> DecodeRadianceHdr(const std::vector<uint8_t>& bytes,
                                               std::string& reason);
std::optional<PanoramaImage> DecodeExrPanorama(const std::string& name,
                                               const std::vector<uint8_t>& bytes,
                                               std::string& reason);
