#include "textures/EncodedImageReader.h"

#include <stb_image.h>

#include "textures/DecodeBudget.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

std::optional<DecodedImage> DecodeEncodedImage(std::span<const uint8_t> bytes, std::string* refusal)
{
    if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX))
        return std::nullopt;
    const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
    const int length = static_cast<int>(bytes.size());
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(data, length, &width, &height, &channels) || width <= 0 ||
        height <= 0 || static_cast<uint32_t>(width) > kMaxEncodedImageSide ||
        static_cast<uint32_t>(height) > kMaxEncodedImageSide)
        return std::nullopt;
    const uint64_t texels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    const std::string unsafe = ClaimDecodedBytes(
        texels * static_cast<uint64_t>(std::max(channels, 1)), texels * 4, bytes.size());
    if (!unsafe.empty()) {
        if (refusal)
            *refusal = unsafe;
        return std::nullopt;
    }
    std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
        stbi_load_from_memory(data, length, &width, &height, &channels, 4), stbi_image_free);
    // The header was checked above; the decoder reads it again and must agree.
    if (!pixels || width <= 0 || height <= 0 ||
        static_cast<uint32_t>(width) > kMaxEncodedImageSide ||
        static_cast<uint32_t>(height) > kMaxEncodedImageSide)
        return std::nullopt;
    DecodedImage image;
    image.width = static_cast<uint32_t>(width);
    image.height = static_cast<uint32_t>(height);
    image.texels.resize(static_cast<size_t>(image.width) * image.height);
    std::memcpy(image.texels.data(), pixels.get(), image.texels.size() * 4);
    return image;
}
