// The published DDS container: magic, 124-byte header and the optional extended header.
#pragma once

#include <cstdint>

constexpr uint32_t MakeFourCC(char a, char b, char c, char d)
{
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
           (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24);
}

constexpr uint32_t kDdsMagic = MakeFourCC('D', 'D', 'S', ' ');
constexpr uint32_t kDdsFourCCDx10 = MakeFourCC('D', 'X', '1', '0');

// Pixel-format flags.
constexpr uint32_t kDdpfAlphaPixels = 0x1;
constexpr uint32_t kDdpfAlpha = 0x2;
constexpr uint32_t kDdpfFourCC = 0x4;
constexpr uint32_t kDdpfLuminance = 0x20000;
constexpr uint32_t kDdpfRgb = 0x40;

// Header flags.
constexpr uint32_t kDdsHeaderFlagHeight = 0x2;
constexpr uint32_t kDdsHeaderFlagVolume = 0x00800000;

// caps2.
constexpr uint32_t kDdsCaps2Cubemap = 0x200;
constexpr uint32_t kDdsCaps2AllFaces = 0xFE00;

// Extended header.
constexpr uint32_t kDdsDimensionBuffer = 1;
constexpr uint32_t kDdsDimension1D = 2;
constexpr uint32_t kDdsDimension2D = 3;
constexpr uint32_t kDdsDimension3D = 4;
constexpr uint32_t kDdsMiscTextureCube = 0x4;

struct DdsPixelFormat {
    uint32_t size;
    uint32_t flags;
    uint32_t fourCC;
    uint32_t rgbBitCount;
    uint32_t rBitMask;
    uint32_t gBitMask;
    uint32_t bBitMask;
    uint32_t aBitMask;
};

struct DdsHeader {
    uint32_t size;
    uint32_t flags;
    uint32_t height;
    uint32_t width;
    uint32_t pitchOrLinearSize;
    uint32_t depth;
    uint32_t mipMapCount;
    uint32_t reserved1[11];
    DdsPixelFormat pixelFormat;
    uint32_t caps;
    uint32_t caps2;
    uint32_t caps3;
    uint32_t caps4;
    uint32_t reserved2;
};

struct DdsHeaderDx10 {
    uint32_t dxgiFormat;
    uint32_t resourceDimension;
    uint32_t miscFlag;
    uint32_t arraySize;
    uint32_t miscFlags2;
};

static_assert(sizeof(DdsPixelFormat) == 32);
static_assert(sizeof(DdsHeader) == 124);
static_assert(sizeof(DdsHeaderDx10) == 20);

constexpr size_t kDdsHeaderOffset = 4;
constexpr size_t kDdsDataOffset = 128;
constexpr size_t kDdsDx10DataOffset = 148;

inline bool HasDx10Header(const DdsHeader& header)
{
    return (header.pixelFormat.flags & kDdpfFourCC) && header.pixelFormat.fourCC == kDdsFourCCDx10;
}
