#include <algorithm>
#include <cstring>

#include "textures/FileBytes.h"
#include "textures/TargaImage.h"
#include "textures/TextureResult.h"

namespace {

constexpr size_t kHeaderSize = 18;

enum TargaType : uint8_t {
    kColourMapped = 1,
    kTrueColour = 2,
    kGreyscale = 3,
    kColourMappedRle = 9,
    kTrueColourRle = 10,
    kGreyscaleRle = 11,
};

uint16_t ReadU16(std::span<const uint8_t> bytes, size_t offset)
{
    return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

uint32_t PackRgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    const uint8_t bytes[4] = {r, g, b, a};
    uint32_t texel;
    std::memcpy(&texel, bytes, 4);
    return texel;
}

// Expands run-length packets into plain texels; empty when the packets overrun the
// image or the input ends first.
std::vector<uint8_t> ExpandRunLength(std::span<const uint8_t> input, size_t texelCount,
                                     size_t texelBytes)
{
    // Every packet costs at least 1 + texelBytes input bytes for at most 128 texels; an
    // image that could not be filled is refused before anything is allocated.
    if (texelCount > (input.size() / (1 + texelBytes)) * 128)
        return {};
    std::vector<uint8_t> out(texelCount * texelBytes);
    size_t produced = 0;
    size_t at = 0;
    while (produced < texelCount) {
        if (at >= input.size())
            return {};
        const uint8_t packet = input[at++];
        const size_t count = (packet & 127) + 1;
        if (count > texelCount - produced)
            return {};
        if (packet & 128) {
            if (texelBytes > input.size() - at)
                return {};
            for (size_t i = 0; i < count; ++i)
                std::memcpy(&out[(produced + i) * texelBytes], &input[at], texelBytes);
            at += texelBytes;
        } else {
            if (count * texelBytes > input.size() - at)
                return {};
            std::memcpy(&out[produced * texelBytes], &input[at], count * texelBytes);
            at += count * texelBytes;
        }
        produced += count;
    }
    return out;
}

struct Layout {
    uint8_t type;
    uint8_t pixelDepth;
    uint16_t mapLength;
    uint8_t mapEntryBits;
    uint8_t descriptor;
};

// Turns plain stored texels into RGBA; false for an unsupported depth or a bad index.
bool DecodePlain(const Layout& layout, std::span<const uint8_t> colourMap,
                 std::span<const uint8_t> stored, TargaImage& image)
{
    const size_t width = image.width;
    const size_t height = image.height;
    const bool topFirst = layout.descriptor & 0x20;
    const bool rightToLeft = layout.descriptor & 0x10;
    const size_t texelBytes = layout.pixelDepth / 8;
    const size_t mapEntryBytes = layout.mapEntryBits / 8;

    image.pixels.assign(width * height, 0);
    for (size_t row = 0; row < height; ++row) {
        const size_t outRow = topFirst ? row : height - 1 - row;
        for (size_t column = 0; column < width; ++column) {
            const size_t outColumn = rightToLeft ? width - 1 - column : column;
            const uint8_t* t = &stored[(row * width + column) * texelBytes];
            uint32_t texel;
            switch (layout.type) {
                case kColourMapped: {
                    if (t[0] >= layout.mapLength)
                        return false;
                    const uint8_t* e = &colourMap[t[0] * mapEntryBytes];
                    texel = PackRgba(e[2], e[1], e[0], mapEntryBytes == 4 ? e[3] : 255);
                    break;
                }
                case kTrueColour:
                    texel = PackRgba(t[2], t[1], t[0], texelBytes == 4 ? t[3] : 255);
                    break;
                default:  // greyscale
                    texel = PackRgba(t[0], t[0], t[0], texelBytes == 2 ? t[1] : 255);
                    break;
            }
            image.pixels[outRow * width + outColumn] = texel;
        }
    }
    return true;
}

bool DepthSupported(const Layout& layout)
{
    switch (layout.type) {
        case kColourMapped:
            return layout.pixelDepth == 8 &&
                   (layout.mapEntryBits == 24 || layout.mapEntryBits == 32);
        case kTrueColour:
            return layout.pixelDepth == 24 || layout.pixelDepth == 32;
        case kGreyscale:
            return layout.pixelDepth == 8 || layout.pixelDepth == 16;
        default:
            return false;
    }
}

bool IsKnownType(uint8_t storedType)
{
    return storedType == kColourMapped || storedType == kTrueColour || storedType == kGreyscale ||
           storedType == kColourMappedRle || storedType == kTrueColourRle ||
           storedType == kGreyscaleRle;
}

Layout ReadLayout(std::span<const uint8_t> file)
{
    Layout layout{};
    const uint8_t storedType = file[2];
    layout.type =
        storedType >= kColourMappedRle ? static_cast<uint8_t>(storedType - 8) : storedType;
    layout.mapLength = ReadU16(file, 5);
    layout.mapEntryBits = file[7];
    layout.pixelDepth = file[16];
    layout.descriptor = file[17];
    return layout;
}

}  // namespace

bool LooksLikeTargaHeader(std::span<const uint8_t> head)
{
    if (head.size() < kHeaderSize)
        return false;
    const uint8_t mapType = head[1];
    const uint8_t depth = head[16];
    const bool knownDepth = depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
    return mapType <= 1 && IsKnownType(head[2]) && knownDepth && ReadU16(head, 12) != 0 &&
           ReadU16(head, 14) != 0;
}

std::optional<uint64_t> TargaBytesUsed(std::span<const uint8_t> head)
{
    if (head.size() < kHeaderSize || !IsKnownType(head[2]))
        return std::nullopt;
    const Layout layout = ReadLayout(head);
    const uint64_t width = ReadU16(head, 12);
    const uint64_t height = ReadU16(head, 14);
    if (!DepthSupported(layout) || width == 0 || height == 0 || width > kMaxTargaSide ||
        height > kMaxTargaSide)
        return std::nullopt;
    uint64_t bytes = kHeaderSize + head[0];
    if (layout.type == kColourMapped)
        bytes += static_cast<uint64_t>(layout.mapLength) * (layout.mapEntryBits / 8);
    const uint64_t texelBytes = layout.pixelDepth / 8;
    // A run-length image uses the most input when every packet holds one raw texel.
    const bool runLength = head[2] >= kColourMappedRle;
    return bytes + width * height * (runLength ? 1 + texelBytes : texelBytes);
}

std::array<uint8_t, 4> TargaImage::Texel(uint32_t x, uint32_t y) const
{
    std::array<uint8_t, 4> bytes{};
    std::memcpy(bytes.data(), &pixels[static_cast<size_t>(y) * width + x], 4);
    return bytes;
}

TargaImage DecodeTargaImage(std::span<const uint8_t> file)
{
    TargaImage image;
    if (file.size() < kHeaderSize)
        return image;
    image.width = ReadU16(file, 12);
    image.height = ReadU16(file, 14);

    const uint8_t idLength = file[0];
    const uint8_t storedType = file[2];
    const bool runLength = storedType >= kColourMappedRle;
    const Layout layout = ReadLayout(file);
    if (!IsKnownType(storedType) || !DepthSupported(layout))
        return image;
    if (image.width == 0 || image.height == 0 || image.width > kMaxTargaSide ||
        image.height > kMaxTargaSide)
        return image;

    // The image-ID field sits between header and colour map when present.
    size_t at = kHeaderSize + idLength;
    std::span<const uint8_t> colourMap;
    if (layout.type == kColourMapped) {
        const size_t mapBytes = static_cast<size_t>(layout.mapLength) * (layout.mapEntryBits / 8);
        if (at > file.size() || mapBytes > file.size() - at)
            return image;
        colourMap = file.subspan(at, mapBytes);
        at += mapBytes;
    }
    if (at > file.size())
        return image;
    std::span<const uint8_t> data = file.subspan(at);

    const size_t texelCount = static_cast<size_t>(image.width) * image.height;
    const size_t texelBytes = layout.pixelDepth / 8;
    std::vector<uint8_t> expanded;
    std::span<const uint8_t> stored;
    if (runLength) {
        expanded = ExpandRunLength(data, texelCount, texelBytes);
        if (expanded.empty())
            return image;
        stored = expanded;
    } else {
        if (texelCount * texelBytes > data.size())
            return image;
        stored = data.first(texelCount * texelBytes);
    }
    if (!DecodePlain(layout, colourMap, stored, image))
        image.pixels.clear();
    return image;
}

std::optional<TargaImage> ReadTargaImage(const std::filesystem::path& path)
{
    FileBytesResult head = ReadFileStart(path, kHeaderSize);
    if (head.result != texture_result::Ok)
        return std::nullopt;
    // Bytes beyond what the header can use are never read; a refused header needs none.
    const std::optional<uint64_t> used = TargaBytesUsed(head.bytes);
    if (!used)
        return DecodeTargaImage(head.bytes);
    FileBytesResult read = ReadFileStart(path, std::min(*used, head.fileSize));
    if (read.result != texture_result::Ok)
        return std::nullopt;
    return DecodeTargaImage(read.bytes);
}
