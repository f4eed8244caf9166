// Builders for the image files the texture tests use.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "support/ScratchDirectory.h"
#include "textures/DdsLayout.h"

namespace texture_test {

using testing_support::ScratchDirectory;

inline DdsPixelFormat MaskFormat(uint32_t flags, uint32_t bits, uint32_t r, uint32_t g, uint32_t b,
                                 uint32_t a)
{
    return {32, flags, 0, bits, r, g, b, a};
}

inline DdsPixelFormat CodeFormat(uint32_t code)
{
    return {32, kDdpfFourCC, code, 0, 0, 0, 0, 0};
}

inline DdsPixelFormat CodeFormat(const char* code)
{
    return CodeFormat(MakeFourCC(code[0], code[1], code[2], code[3]));
}

inline const DdsPixelFormat kRgba8 = MaskFormat(0x41, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);

inline DdsHeader MakeHeader(uint32_t width, uint32_t height, uint32_t mips,
                            DdsPixelFormat pixelFormat = CodeFormat("DX10"))
{
    DdsHeader header{};
    header.size = 124;
    header.flags = 0x1007;
    header.width = width;
    header.height = height;
    header.mipMapCount = mips;
    header.pixelFormat = pixelFormat;
    header.caps = 0x1000;
    return header;
}

inline DdsHeader Volume(uint32_t width, uint32_t depth, uint32_t mips = 1,
                        DdsPixelFormat pixelFormat = kRgba8)
{
    DdsHeader header = MakeHeader(width, width, mips, pixelFormat);
    header.flags |= kDdsHeaderFlagVolume;
    header.depth = depth;
    return header;
}

inline DdsHeader Cube(uint32_t width, uint32_t height, uint32_t mips, DdsPixelFormat pixelFormat,
                      uint32_t faces = kDdsCaps2AllFaces)
{
    DdsHeader header = MakeHeader(width, height, mips, pixelFormat);
    header.caps2 = kDdsCaps2Cubemap | faces;
    return header;
}

// Magic and headers followed by `data`.
inline std::vector<uint8_t> DdsFileBytes(const DdsHeader& header, const std::vector<uint8_t>& data,
                                         std::optional<DdsHeaderDx10> dx10 = {})
{
    std::vector<uint8_t> bytes(4 + sizeof(DdsHeader) + (dx10 ? sizeof(DdsHeaderDx10) : 0));
    std::memcpy(bytes.data(), &kDdsMagic, 4);
    std::memcpy(bytes.data() + 4, &header, sizeof(DdsHeader));
    if (dx10)
        std::memcpy(bytes.data() + 128, &*dx10, sizeof(DdsHeaderDx10));
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

// The same with `dataBytes` bytes counting 0, 1, 2, ... (so a byte tells its offset).
inline std::vector<uint8_t> DdsBytes(const DdsHeader& header, size_t dataBytes,
                                     std::optional<DdsHeaderDx10> dx10 = {})
{
    std::vector<uint8_t> data(dataBytes);
    std::iota(data.begin(), data.end(), uint8_t{0});
    return DdsFileBytes(header, data, dx10);
}

inline std::vector<uint8_t> Rgba8Bytes(std::initializer_list<uint32_t> texels)
{
    std::vector<uint8_t> bytes(texels.size() * 4);
    std::memcpy(bytes.data(), std::data(texels), bytes.size());
    return bytes;
}

// `texel`'s bytes `count` times over.
inline std::vector<uint8_t> Repeated(const std::vector<uint8_t>& texel, size_t count)
{
    std::vector<uint8_t> bytes;
    while (count--)
        bytes.insert(bytes.end(), texel.begin(), texel.end());
    return bytes;
}

struct TgaLayout {
    uint8_t type = 2;
    uint16_t width = 1;
    uint16_t height = 1;
    uint8_t depth = 32;
    uint8_t descriptor = 0x20;
    uint8_t idLength = 0;
    uint16_t mapLength = 0;
    uint8_t mapEntryBits = 0;
};

// Header, image-ID bytes (0xEE), colour map, then `data` as given.
inline std::vector<uint8_t> TgaBytes(const TgaLayout& layout, const std::vector<uint8_t>& data,
                                     const std::vector<uint8_t>& colourMap = {})
{
    std::vector<uint8_t> bytes(18, 0);  // little-endian, as the host
    bytes[0] = layout.idLength;
    bytes[1] = colourMap.empty() ? 0 : 1;
    bytes[2] = layout.type;
    std::memcpy(&bytes[5], &layout.mapLength, 2);
    bytes[7] = layout.mapEntryBits;
    std::memcpy(&bytes[12], &layout.width, 2);
    std::memcpy(&bytes[14], &layout.height, 2);
    bytes[16] = layout.depth;
    bytes[17] = layout.descriptor;
    bytes.insert(bytes.end(), layout.idLength, 0xEE);
    bytes.insert(bytes.end(), colourMap.begin(), colourMap.end());
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

}  // namespace texture_test
