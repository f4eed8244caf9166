#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TextureTestFiles.h"
#include "textures/DdsPixelFormatTables.h"
#include "textures/DdsReader.h"
#include "textures/DxgiFormat.h"
#include "textures/TextureResult.h"

using namespace texture_test;

namespace {

struct LegacyRow {
    const char* label;
    DdsPixelFormat pixelFormat;
    uint32_t format;
    uint64_t rowBytesAt4;  // row bytes of a 4 x 4 level
};

const LegacyRow kLegacyRows[] = {
    {"RGBA8", MaskFormat(0x41, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000), DXGI_FORMAT_R8G8B8A8_UNORM,
     16},
    {"BGRA8", MaskFormat(0x41, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000), DXGI_FORMAT_B8G8R8A8_UNORM,
     16},
    {"RGB10A2", MaskFormat(0x41, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000),
     DXGI_FORMAT_R10G10B10A2_UNORM, 16},
    {"R32F", MaskFormat(0x40, 32, 0xFFFFFFFF, 0, 0, 0), DXGI_FORMAT_R32_FLOAT, 16},
    {"BGR5A1", MaskFormat(0x41, 16, 0x7C00, 0x3E0, 0x1F, 0x8000), DXGI_FORMAT_B5G5R5A1_UNORM, 8},
    {"B5G6R5", MaskFormat(0x40, 16, 0xF800, 0x7E0, 0x1F, 0), DXGI_FORMAT_B5G6R5_UNORM, 8},
    {"L8", MaskFormat(0x20000, 8, 0xFF, 0, 0, 0), DXGI_FORMAT_R8_UNORM, 4},
    {"A8L8", MaskFormat(0x20001, 16, 0xFF, 0, 0, 0xFF00), DXGI_FORMAT_R8G8_UNORM, 8},
    {"A8", MaskFormat(0x2, 8, 0, 0, 0, 0x12345678), DXGI_FORMAT_A8_UNORM, 4},
    {"DXT1", CodeFormat("DXT1"), DXGI_FORMAT_BC1_UNORM, 8},
    {"DXT2", CodeFormat("DXT2"), DXGI_FORMAT_BC2_UNORM, 16},
    {"DXT5", CodeFormat("DXT5"), DXGI_FORMAT_BC3_UNORM, 16},
    {"ATI1", CodeFormat("ATI1"), DXGI_FORMAT_BC4_UNORM, 8},
    {"BC4S", CodeFormat("BC4S"), DXGI_FORMAT_BC4_SNORM, 8},
    {"ATI2", CodeFormat("ATI2"), DXGI_FORMAT_BC5_UNORM, 16},
    {"BC5S", CodeFormat("BC5S"), DXGI_FORMAT_BC5_SNORM, 16},
    {"RGBG", CodeFormat("RGBG"), DXGI_FORMAT_R8G8_B8G8_UNORM, 8},
    {"YUY2", CodeFormat("YUY2"), DXGI_FORMAT_YUY2, 8},
    {"36", CodeFormat(36), DXGI_FORMAT_R16G16B16A16_UNORM, 32},
    {"113", CodeFormat(113), DXGI_FORMAT_R16G16B16A16_FLOAT, 32},
    {"116", CodeFormat(116), DXGI_FORMAT_R32G32B32A32_FLOAT, 64},
};

// The parse result together with the bytes its spans point into.
struct Parsed : DdsParseResult {
    std::vector<uint8_t> bytes;
};

Parsed Parse(std::vector<uint8_t> bytes)
{
    Parsed parsed;
    parsed.bytes = std::move(bytes);
    static_cast<DdsParseResult&>(parsed) = ParseDds(parsed.bytes);
    return parsed;
}

DdsHeaderDx10 Dx10(uint32_t format, uint32_t dimension, uint32_t arraySize, uint32_t misc = 0)
{
    return {format, dimension, misc, arraySize, 0};
}

const DdsPixelFormat kRgba8 = MaskFormat(0x41, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);

}  // namespace

TEST(DdsPixelFormats, EveryLegacyRowMapsToItsFormatAndSize)
{
    for (const LegacyRow& row : kLegacyRows) {
        SCOPED_TRACE(row.label);
        const DdsHeader header = MakeHeader(4, 4, 1, row.pixelFormat);
        const uint64_t surface = row.rowBytesAt4 * (IsBlockCompressed(row.format) ? 1 : 4);
        Parsed parsed = Parse(DdsBytes(header, surface));
        ASSERT_EQ(parsed.result, texture_result::Ok);
        EXPECT_EQ(parsed.image.format, row.format);
        ASSERT_EQ(parsed.image.subresources.size(), 1u);
        EXPECT_EQ(parsed.image.subresources[0].rowBytes, row.rowBytesAt4);
        EXPECT_EQ(parsed.image.subresources[0].data.size(), surface);
        // One byte short of the surface is not enough.
        EXPECT_EQ(Parse(DdsBytes(header, surface - 1)).result, texture_result::EndOfData);
    }
}

TEST(DdsPixelFormats, UnlistedLayoutsAreNotSupported)
{
    const DdsPixelFormat unsupported[] = {
        MaskFormat(0x41, 32, 0xFF, 0xFF00, 0xFF0000, 0),           // X8B8G8R8
        MaskFormat(0x40, 32, 0xFF, 0xFF00, 0xFF0000, 0),           // X8B8G8R8 without alpha flag
        MaskFormat(0x41, 24, 0xFF0000, 0xFF00, 0xFF, 0xFF000000),  // 24 bits with alpha
        MaskFormat(0x40, 24, 0xFF00, 0xFF, 0xFF0000, 0),           // 24 bits, other order
        MaskFormat(0x2, 16, 0, 0, 0, 0xFFFF),                      // 16-bit alpha
        MaskFormat(0x20000, 32, 0xFFFFFFFF, 0, 0, 0),
        CodeFormat("DXT9"),
        CodeFormat(117),
        MaskFormat(0x0, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000),  // no flag at all
    };
    for (const DdsPixelFormat& pf : unsupported) {
        Parsed parsed = Parse(DdsBytes(MakeHeader(4, 4, 1, pf), 256));
        EXPECT_EQ(parsed.result, texture_result::NotSupported);
        EXPECT_TRUE(parsed.header.has_value());
    }
}

// Image editors save opaque pictures as 24-bit RGB: widened to RGBA8, alpha 255, with the
// same size checks as every other layout.
TEST(DdsPixelFormats, Rgb24IsWidenedToRgba8InBothByteOrders)
{
    // 2 x 1 and its 1 x 1 level: texels (10, 20, 30), (40, 50, 60), (70, 80, 90) as R, G, B.
    const struct {
        DdsPixelFormat pixelFormat;
        std::vector<uint8_t> data;
    } files[] = {
        {MaskFormat(0x40, 24, 0xFF0000, 0xFF00, 0xFF, 0), {30, 20, 10, 60, 50, 40, 90, 80, 70}},
        {MaskFormat(0x40, 24, 0xFF, 0xFF00, 0xFF0000, 0), {10, 20, 30, 40, 50, 60, 70, 80, 90}},
    };
    for (const auto& file : files) {
        const DdsHeader header = MakeHeader(2, 1, 2, file.pixelFormat);
        Parsed parsed = Parse(DdsFileBytes(header, file.data));
        ASSERT_EQ(parsed.result, texture_result::Ok);
        EXPECT_EQ(parsed.image.format, DXGI_FORMAT_R8G8B8A8_UNORM);
        ASSERT_EQ(parsed.image.subresources.size(), 2u);
        const DdsSubresource& top = parsed.image.At(0, 0);
        EXPECT_EQ(top.rowBytes, 8u);
        EXPECT_EQ(std::vector<uint8_t>(top.data.begin(), top.data.end()),
                  (std::vector<uint8_t>{10, 20, 30, 255, 40, 50, 60, 255}));
        const DdsSubresource& last = parsed.image.At(0, 1);
        EXPECT_EQ(std::vector<uint8_t>(last.data.begin(), last.data.end()),
                  (std::vector<uint8_t>{70, 80, 90, 255}));

        std::vector<uint8_t> cut = DdsFileBytes(header, file.data);
        cut.pop_back();
        EXPECT_EQ(Parse(cut).result, texture_result::EndOfData);
        ScratchDirectory dir;
        WriteBytes(dir / "cut.dds", cut);
        const DdsFile fromDisk = ReadDdsFile(dir / "cut.dds");
        EXPECT_EQ(fromDisk.parsed.result, texture_result::EndOfData);
        EXPECT_TRUE(fromDisk.parsed.header.has_value());
    }
    // The header's claim is checked before anything is widened.
    EXPECT_EQ(Parse(DdsBytes(MakeHeader(16384, 16384, 1, files[0].pixelFormat), 9)).result,
              texture_result::EndOfData);
}

// The name shown for a texture: the code's label where it has one, else the DXGI name.
TEST(DdsPixelFormats, TypeNamesComeFromCodeLabelsOrDxgiNames)
{
    EXPECT_EQ(DdsTypeName(MakeHeader(4, 4, 1, CodeFormat("DXT2")), nullptr), "D3DFMT_DXT2 (BC2)");
    EXPECT_EQ(DdsTypeName(MakeHeader(4, 4, 1, CodeFormat("ATI2")), nullptr),
              "DXGI_FORMAT_BC5_UNORM");
    const DdsHeaderDx10 unnamed = Dx10(150, kDdsDimension2D, 1);
    EXPECT_EQ(DdsTypeName(MakeDx10Header(4, 4, 1), &unnamed), "UNKNOWN");
}

TEST(DdsContainer, ShortOrMalformedFilesFailWithoutHeader)
{
    std::vector<uint8_t> good = DdsBytes(MakeHeader(1, 1, 1, kRgba8), 4);
    std::vector<uint8_t> cut(good.begin(), good.begin() + 127);
    Parsed parsed = Parse(cut);
    EXPECT_EQ(parsed.result, texture_result::Fail);
    EXPECT_FALSE(parsed.header.has_value());

    std::vector<uint8_t> badMagic = good;
    badMagic[0] = 'X';
    std::vector<uint8_t> badSize = good;
    badSize[4] = 123;
    std::vector<uint8_t> badPixelFormatSize = good;
    badPixelFormatSize[4 + 72] = 31;
    for (const auto& bytes : {badMagic, badSize, badPixelFormatSize}) {
        parsed = Parse(bytes);
        EXPECT_EQ(parsed.result, texture_result::Fail);
        EXPECT_FALSE(parsed.header.has_value());
    }

    // The extended header is announced but the file ends inside it.
    const DdsHeaderDx10 dx10 = Dx10(DXGI_FORMAT_R8G8B8A8_UNORM, kDdsDimension2D, 1);
    std::vector<uint8_t> dx10Bytes = DdsBytes(MakeDx10Header(1, 1, 1), 0, &dx10);
    dx10Bytes.resize(147);
    parsed = Parse(dx10Bytes);
    EXPECT_EQ(parsed.result, texture_result::Fail);
    EXPECT_FALSE(parsed.header.has_value());
}

TEST(DdsContainer, HeaderIsHandedBackWhenTheTextureIsRejected)
{
    DdsHeader header = MakeHeader(300, 200, 1, kRgba8);
    Parsed parsed = Parse(DdsBytes(header, 10));  // far too little data
    EXPECT_EQ(parsed.result, texture_result::EndOfData);
    ASSERT_TRUE(parsed.header.has_value());
    EXPECT_EQ(parsed.header->width, 300u);
    EXPECT_EQ(parsed.header->height, 200u);
    EXPECT_TRUE(parsed.image.subresources.empty());
}

TEST(DdsSizes, BlockCompressedSurfacesRoundUpToBlocks)
{
    Parsed bc1 = Parse(DdsBytes(MakeHeader(1, 1, 1, CodeFormat("DXT1")), 8));
    ASSERT_EQ(bc1.result, texture_result::Ok);
    EXPECT_EQ(bc1.image.subresources[0].surfaceBytes, 8u);

    Parsed bc3 = Parse(DdsBytes(MakeHeader(5, 3, 1, CodeFormat("DXT5")), 32));
    ASSERT_EQ(bc3.result, texture_result::Ok);
    EXPECT_EQ(bc3.image.subresources[0].rowBytes, 32u);
    EXPECT_EQ(bc3.image.subresources[0].surfaceBytes, 32u);
}

TEST(DdsSizes, MipChainOfNonPowerOfTwoImageLiesBackToBackAndCountZeroMeansOne)
{
    // 6 x 3 RGBA8 with its full chain: 6x3, 3x1, 1x1.
    Parsed parsed = Parse(DdsBytes(MakeHeader(6, 3, 3, kRgba8), 72 + 12 + 4));
    ASSERT_EQ(parsed.result, texture_result::Ok);
    const DdsImage& image = parsed.image;
    EXPECT_EQ(image.mipCount, 3u);
    ASSERT_EQ(image.subresources.size(), 3u);
    const uint8_t* data = image.subresources[0].data.data();
    EXPECT_EQ(data[0], 0);
    EXPECT_EQ(image.At(0, 1).data.data() - data, 72);
    EXPECT_EQ(image.At(0, 1).width, 3u);
    EXPECT_EQ(image.At(0, 1).height, 1u);
    EXPECT_EQ(image.At(0, 2).data.data() - data, 84);
    EXPECT_EQ(image.At(0, 2).data.size(), 4u);
    EXPECT_EQ(image.At(0, 2).data[0], 84);

    // The last mip one byte short.
    EXPECT_EQ(Parse(DdsBytes(MakeHeader(6, 3, 3, kRgba8), 87)).result, texture_result::EndOfData);

    parsed = Parse(DdsBytes(MakeHeader(2, 2, 0, kRgba8), 16));
    ASSERT_EQ(parsed.result, texture_result::Ok);
    EXPECT_EQ(parsed.image.mipCount, 1u);
}

TEST(DdsCubeMaps, FacesWithMipsAreSliceMajor)
{
    DdsHeader header = MakeHeader(4, 4, 3, CodeFormat("DXT1"));
    header.caps2 = kDdsCaps2Cubemap | kDdsCaps2AllFaces;
    // Each face: 8 + 8 + 8 bytes (4x4, 2x2, 1x1 are one block each).
    Parsed parsed = Parse(DdsBytes(header, 6 * 24));
    ASSERT_EQ(parsed.result, texture_result::Ok);
    const DdsImage& image = parsed.image;
    EXPECT_TRUE(image.isCube);
    EXPECT_EQ(image.arraySize, 6u);
    EXPECT_EQ(image.dimension, DdsDimension::Texture2D);
    ASSERT_EQ(image.subresources.size(), 18u);
    const uint8_t* base = image.subresources[0].data.data();
    for (uint32_t face = 0; face < 6; ++face) {
        for (uint32_t mip = 0; mip < 3; ++mip) {
            const DdsSubresource& sub = image.At(face, mip);
            EXPECT_EQ(sub.arraySlice, face);
            EXPECT_EQ(sub.mipLevel, mip);
            EXPECT_EQ(sub.data.data() - base, face * 24 + mip * 8);
        }
    }
    EXPECT_EQ(Parse(DdsBytes(header, 6 * 24 - 1)).result, texture_result::EndOfData);
}

TEST(DdsCubeMaps, MissingFaceOrNonSquareFacesAreRefused)
{
    DdsHeader header = MakeHeader(4, 4, 1, kRgba8);
    header.caps2 = kDdsCaps2Cubemap | (kDdsCaps2AllFaces & ~0x8000u);
    EXPECT_EQ(Parse(DdsBytes(header, 6 * 64)).result, texture_result::NotSupported);

    header = MakeHeader(4, 2, 1, kRgba8);
    header.caps2 = kDdsCaps2Cubemap | kDdsCaps2AllFaces;
    EXPECT_EQ(Parse(DdsBytes(header, 6 * 32)).result, texture_result::InvalidArgument);
}

TEST(DdsVolumes, LegacyVolumeUsesDepthAndHalvesIt)
{
    DdsHeader header = MakeHeader(4, 4, 3, kRgba8);
    header.flags |= kDdsHeaderFlagVolume;
    header.depth = 4;
    header.caps2 = 0x200000;
    // 4x4x4, 2x2x2, 1x1x1.
    Parsed parsed = Parse(DdsBytes(header, 256 + 32 + 4));
    ASSERT_EQ(parsed.result, texture_result::Ok);
    EXPECT_EQ(parsed.image.dimension, DdsDimension::Texture3D);
    EXPECT_EQ(parsed.image.depth, 4u);
    EXPECT_EQ(parsed.image.At(0, 1).data.size(), 32u);
    EXPECT_EQ(parsed.image.At(0, 1).depth, 2u);
    EXPECT_EQ(parsed.image.At(0, 2).data.size(), 4u);
}

TEST(DdsExtendedHeader, ArraysOfEveryDimension)
{
    const DdsHeaderDx10 array2D = Dx10(DXGI_FORMAT_BC7_UNORM, kDdsDimension2D, 3);
    Parsed parsed = Parse(DdsBytes(MakeDx10Header(8, 8, 2), 3 * (64 + 16), &array2D));
    ASSERT_EQ(parsed.result, texture_result::Ok);
    EXPECT_EQ(parsed.image.arraySize, 3u);
    EXPECT_EQ(parsed.image.At(2, 1).data.data() - parsed.image.At(0, 0).data.data(), 2 * 80 + 64);

    const DdsHeaderDx10 array1D = Dx10(DXGI_FORMAT_R16_FLOAT, kDdsDimension1D, 2);
    DdsHeader header1D = MakeDx10Header(8, 1, 1);
    parsed = Parse(DdsBytes(header1D, 2 * 16, &array1D));
    ASSERT_EQ(parsed.result, texture_result::Ok);
    EXPECT_EQ(parsed.image.dimension, DdsDimension::Texture1D);
    EXPECT_EQ(parsed.image.height, 1u);
    header1D.height = 2;  // the header marks a height that a 1D texture cannot have
    EXPECT_EQ(Parse(DdsBytes(header1D, 64, &array1D)).result, texture_result::InvalidData);

    const DdsHeaderDx10 cubeArray =
        Dx10(DXGI_FORMAT_R8G8B8A8_UNORM, kDdsDimension2D, 2, kDdsMiscTextureCube);
    parsed = Parse(DdsBytes(MakeDx10Header(2, 2, 1), 12 * 16, &cubeArray));
    ASSERT_EQ(parsed.result, texture_result::Ok);
    EXPECT_TRUE(parsed.image.isCube);
    EXPECT_EQ(parsed.image.arraySize, 12u);

    DdsHeader volume = MakeDx10Header(2, 2, 1);
    volume.depth = 2;
    const DdsHeaderDx10 volume3D = Dx10(DXGI_FORMAT_R32_FLOAT, kDdsDimension3D, 1);
    EXPECT_EQ(Parse(DdsBytes(volume, 32, &volume3D)).result, texture_result::InvalidData);
    volume.flags |= kDdsHeaderFlagVolume;
    parsed = Parse(DdsBytes(volume, 32, &volume3D));
    ASSERT_EQ(parsed.result, texture_result::Ok);
    EXPECT_EQ(parsed.image.depth, 2u);
    const DdsHeaderDx10 volumeArray = Dx10(DXGI_FORMAT_R32_FLOAT, kDdsDimension3D, 2);
    EXPECT_EQ(Parse(DdsBytes(volume, 64, &volumeArray)).result, texture_result::NotSupported);
}

TEST(DdsExtendedHeader, RejectedHeaders)
{
    const DdsHeader header = MakeDx10Header(4, 4, 1);
    struct Case {
        DdsHeaderDx10 dx10;
        int32_t expected;
    };
    const Case cases[] = {
        {Dx10(DXGI_FORMAT_R8G8B8A8_UNORM, kDdsDimension2D, 0), texture_result::InvalidData},
        {Dx10(DXGI_FORMAT_P8, kDdsDimension2D, 1), texture_result::NotSupported},
        {Dx10(DXGI_FORMAT_A8P8, kDdsDimension2D, 1), texture_result::NotSupported},
        {Dx10(DXGI_FORMAT_AI44, kDdsDimension2D, 1), texture_result::NotSupported},
        {Dx10(DXGI_FORMAT_IA44, kDdsDimension2D, 1), texture_result::NotSupported},
        {Dx10(DXGI_FORMAT_UNKNOWN, kDdsDimension2D, 1), texture_result::NotSupported},
        {Dx10(1000, kDdsDimension2D, 1), texture_result::NotSupported},
        {Dx10(DXGI_FORMAT_R8G8B8A8_UNORM, kDdsDimensionBuffer, 1), texture_result::NotSupported},
        {Dx10(DXGI_FORMAT_R8G8B8A8_UNORM, 7, 1), texture_result::NotSupported},
        {Dx10(DXGI_FORMAT_R8G8B8A8_UNORM, kDdsDimension2D, 2049), texture_result::NotSupported},
        // 342 cubes are 2052 slices.
        {Dx10(DXGI_FORMAT_R8G8B8A8_UNORM, kDdsDimension2D, 342, kDdsMiscTextureCube),
         texture_result::NotSupported},
        // Would overflow 32 bits when multiplied by 6.
        {Dx10(DXGI_FORMAT_R8G8B8A8_UNORM, kDdsDimension2D, 0x80000000u, kDdsMiscTextureCube),
         texture_result::NotSupported},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dx10.dxgiFormat);
        Parsed parsed = Parse(DdsBytes(header, 64, &c.dx10));
        EXPECT_EQ(parsed.result, c.expected);
        EXPECT_TRUE(parsed.header.has_value());
        EXPECT_TRUE(parsed.dx10.has_value());
    }
}

TEST(DdsLimits, SizesBeyondTheDeviceLimitsOrTheChainAreRefused)
{
    auto volume = [](uint32_t width, uint32_t depth) {
        DdsHeader header = MakeHeader(width, 4, 1, kRgba8);
        header.flags |= kDdsHeaderFlagVolume;
        header.depth = depth;
        return header;
    };
    // What texture creation would refuse (the last four) is refused before any upload.
    const std::pair<DdsHeader, int32_t> cases[] = {
        {MakeHeader(4, 4, 16, kRgba8), texture_result::NotSupported},
        {MakeHeader(16385, 1, 1, kRgba8), texture_result::NotSupported},
        {MakeHeader(1, 16385, 1, kRgba8), texture_result::NotSupported},
        {volume(2049, 1), texture_result::NotSupported},
        {MakeHeader(0, 4, 1, kRgba8), texture_result::InvalidArgument},
        {MakeHeader(4, 0, 1, kRgba8), texture_result::InvalidArgument},
        {volume(4, 0), texture_result::InvalidArgument},
        {MakeHeader(4, 4, 4, kRgba8), texture_result::InvalidArgument},
    };
    for (const auto& [header, expected] : cases)
        EXPECT_EQ(Parse(DdsBytes(header, 200)).result, expected)
            << header.width << "x" << header.height << " mips " << header.mipMapCount;
}

TEST(DdsLimits, LargestHeadersOnATinyFileEndQuickly)
{
    // Every size at its limit, on a file of a few bytes: fails on the data, allocates
    // nothing in proportion to the claimed sizes.
    const DdsHeaderDx10 huge =
        Dx10(DXGI_FORMAT_R32G32B32A32_FLOAT, kDdsDimension2D, 341, kDdsMiscTextureCube);
    Parsed parsed = Parse(DdsBytes(MakeDx10Header(16384, 16384, 15), 100, &huge));
    EXPECT_EQ(parsed.result, texture_result::EndOfData);

    DdsHeader volume = MakeHeader(2048, 2048, 12, kRgba8);
    volume.flags |= kDdsHeaderFlagVolume;
    volume.depth = 2048;
    EXPECT_EQ(Parse(DdsBytes(volume, 100)).result, texture_result::EndOfData);
}

TEST(DdsRetry, DropsLevelsAboveTheCap)
{
    Parsed parsed = Parse(DdsBytes(MakeHeader(8, 4, 3, kRgba8), 128 + 32 + 8));
    ASSERT_EQ(parsed.result, texture_result::Ok);
    std::optional<DdsImage> reduced = DropMipsAboveCap(parsed.image, 4);
    ASSERT_TRUE(reduced.has_value());
    EXPECT_EQ(reduced->mipCount, 2u);
    EXPECT_EQ(reduced->width, 4u);
    EXPECT_EQ(reduced->height, 2u);
    EXPECT_EQ(reduced->At(0, 0).data.data(), parsed.image.At(0, 1).data.data());
    EXPECT_FALSE(DropMipsAboveCap(parsed.image, 0).has_value());
    EXPECT_EQ(DdsRetrySizeCap(DdsDimension::Texture2D), 8192u);
    EXPECT_EQ(DdsRetrySizeCap(DdsDimension::Texture3D), 2048u);
}

TEST(DdsFiles, ReadsFromDiskAndReportsUnreadableFiles)
{
    ScratchDirectory dir;
    const DdsHeader header = MakeHeader(2, 2, 2, kRgba8);
    WriteBytes(dir / "ok.dds", DdsBytes(header, 20));
    DdsFile file = ReadDdsFile(dir / "ok.dds");
    ASSERT_EQ(file.parsed.result, texture_result::Ok);
    DdsFile moved = std::move(file);
    EXPECT_EQ(moved.parsed.image.At(0, 1).data[0], 16);  // spans survive the move

    DdsFile missing = ReadDdsFile(dir / "missing.dds");
    EXPECT_EQ(missing.parsed.result, texture_result::FileNotFound);
    EXPECT_FALSE(missing.parsed.header.has_value());

    EXPECT_EQ(ReadDdsFile(dir.path).parsed.result, texture_result::AccessDenied);

    // A pipe must not block the reader.
    ASSERT_EQ(mkfifo((dir / "pipe.dds").c_str(), 0600), 0);
    EXPECT_EQ(ReadDdsFile(dir / "pipe.dds").parsed.result, texture_result::Fail);
}
