#include <stb_image.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

#include "platform/Paths.h"
#include "textures/DecodeBudget.h"
#include "textures/FileBytes.h"
#include "textures/PanoramaImage.h"
#include "textures/TextureResult.h"

namespace {

// The largest panorama stored without compression, plus room for headers: 4 bytes a
// texel in Radiance files, up to 16 (float RGBA) in EXR files.
constexpr uint64_t kLargestPanoramaTexels = uint64_t{kMaxPanoramaWidth} * (kMaxPanoramaWidth / 2);
constexpr uint64_t kMaxHdrFileBytes = kLargestPanoramaTexels * 4 + (uint64_t{1} << 20);
constexpr uint64_t kMaxExrPanoramaFileBytes = kLargestPanoramaTexels * 16 + (uint64_t{1} << 20);

bool HasRadianceSignature(const std::vector<uint8_t>& bytes)
{
    for (std::string_view signature : {"#?RADIANCE\n", "#?RGBE\n"})
        if (bytes.size() >= signature.size() &&
            std::memcmp(bytes.data(), signature.data(), signature.size()) == 0)
            return true;
    return false;
}

}  // namespace

bool PanoramaImage::Allocate(uint32_t newWidth, uint32_t newHeight)
{
    const size_t count = size_t{newWidth} * newHeight * 3;
    texels.reset(static_cast<float*>(std::malloc(count * sizeof(float))));
    floats = texels ? count : 0;
    width = texels ? newWidth : 0;
    height = texels ? newHeight : 0;
    return texels != nullptr;
}

bool IsExrName(const std::filesystem::path& path)
{
    const std::string extension = platform::FileExtension(path.native());
    return extension == ".exr" || extension == ".EXR";
}

bool IsPanoramaName(const std::filesystem::path& path)
{
    const std::string extension = platform::FileExtension(path.native());
    return extension == ".hdr" || extension == ".HDR" || IsExrName(path);
}

std::string PanoramaShapeProblem(uint64_t width, uint64_t height)
{
    if (width == 0 || height == 0)
        return "the image is empty";
    if (width > kMaxPanoramaWidth)
        return "wider than " + std::to_string(kMaxPanoramaWidth) + " texels";
    // Equirectangular: 360 degrees across, 180 down. A texel or two off is rounding.
    if (width + 2 < 2 * height || width > 2 * height + 2)
        return "not an equirectangular panorama (" + std::to_string(width) + " x " +
               std::to_string(height) + ", want twice as wide as high)";
    return {};
}

std::optional<PanoramaImage> DecodeRadianceHdr(const std::vector<uint8_t>& bytes,
                                               std::string& reason)
{
    if (!HasRadianceSignature(bytes) || bytes.size() > static_cast<size_t>(INT_MAX)) {
        reason = "not a Radiance HDR file";
        return std::nullopt;
    }
    const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
    const int length = static_cast<int>(bytes.size());
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(data, length, &width, &height, &channels)) {
        reason = "unreadable Radiance header";
        return std::nullopt;
    }
    // The size is checked before the decoder allocates for it.
    if (reason = PanoramaShapeProblem(static_cast<uint64_t>(std::max(width, 0)),
                                      static_cast<uint64_t>(std::max(height, 0)));
        !reason.empty())
        return std::nullopt;
    // Run-length coding lets a small file claim a large plain picture: 4 bytes a texel in
    // the file, 12 as floats.
    const uint64_t texels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (reason = ClaimDecodedBytes(texels * 4, texels * 12, bytes.size()); !reason.empty())
        return std::nullopt;
    PanoramaImage image;
    image.texels.reset(stbi_loadf_from_memory(data, length, &width, &height, &channels, 3));
    if (!image.texels) {
        reason = stbi_failure_reason() ? stbi_failure_reason() : "cannot decode";
        return std::nullopt;
    }
    if (reason = PanoramaShapeProblem(static_cast<uint64_t>(std::max(width, 0)),
                                      static_cast<uint64_t>(std::max(height, 0)));
        !reason.empty())
        return std::nullopt;
    image.width = static_cast<uint32_t>(width);
    image.height = static_cast<uint32_t>(height);
    image.floats = size_t{image.width} * image.height * 3;
    return image;
}

std::optional<PanoramaImage> ReadPanorama(const std::filesystem::path& path, std::string& reason)
{
    const bool exr = IsExrName(path);
    const uint64_t limit = exr ? kMaxExrPanoramaFileBytes : kMaxHdrFileBytes;
    const FileBytesResult file = ReadFileBytes(path, limit);
    if (file.result != texture_result::Ok) {
        reason = file.fileSize > limit ? "file too large" : "cannot read the file";
        return std::nullopt;
    }
    std::optional<PanoramaImage> image = exr ? DecodeExrPanorama(path.string(), file.bytes, reason)
                                             : DecodeRadianceHdr(file.bytes, reason);
    // Infinities and NaNs would spread over every mip through the lobe filter.
    if (image)
        for (float& value : image->Rgb())
            if (!(value >= 0.0f) || value > 65504.0f)
                value = value > 65504.0f ? 65504.0f : 0.0f;
    return image;
}
