#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TextureTestFiles.h"
#include "textures/DdsPixelFormatTables.h"
#include "textures/DdsReader.h"
#include "textures/DdsSurfaceSize.h"
#include "textures/DxgiFormat.h"
#include "textures/GlTextureFormat.h"
#include "textures/TextureResult.h"

using namespace texture_test;

namespace {

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

constexpr uint32_t kRgba = DXGI_FORMAT_R8G8B8A8_UNORM, kCube = kDdsMiscTextureCube;

DdsHeaderDx10 Dx10(uint32_t format, uint32_t arraySize = 1, uint32_t misc = 0,
                   uint32_t dimension = kDdsDimension2D)
{
    return {format, dimension, misc, arraySize, 0};
}

// Layouts without an extended header, by mask or code, each a 4 x 4 level.
TEST(DdsPixelFormats, LegacyLayoutsMapToTheirFormatAndSize)
{
    const std::tuple<DdsPixelFormat, uint32_t, uint64_t> rows[] = {
        // format, row bytes
        {kRgba8, DXGI_FORMAT_R8G8B8A8_UNORM, 16},
        {MaskFormat(0x41, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000), DXGI_FORMAT_B8G8R8A8_UNORM, 16},
        {MaskFormat(0x41, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000),
         DXGI_FORMAT_R10G10B10A2_UNORM, 16},
        {MaskFormat(0x40, 16, 0xF800, 0x7E0, 0x1F, 0), DXGI_FORMAT_B5G6R5_UNORM, 8},
        {MaskFormat(0x20000, 8, 0xFF, 0, 0, 0), DXGI_FORMAT_R8_UNORM, 4},
        {MaskFormat(0x20001, 16, 0xFF, 0, 0, 0xFF00), DXGI_FORMAT_R8G8_UNORM, 8},
        {MaskFormat(0x2, 8, 0, 0, 0, 0x12345678), DXGI_FORMAT_A8_UNORM, 4},
        {CodeFormat("DXT1"), DXGI_FORMAT_BC1_UNORM, 8},
        {CodeFormat("DXT2"), DXGI_FORMAT_BC2_UNORM, 16},
        {CodeFormat("ATI1"), DXGI_FORMAT_BC4_UNORM, 8},
        {CodeFormat("BC5S"), DXGI_FORMAT_BC5_SNORM, 16},
        {CodeFormat("YUY2"), DXGI_FORMAT_YUY2, 8},
        {CodeFormat(116), DXGI_FORMAT_R32G32B32A32_FLOAT, 64},
    };
    for (const auto& [pixelFormat, format, rowBytes] : rows) {
        SCOPED_TRACE(DxgiFormatName(format));
        const uint64_t surface = rowBytes * (IsBlockCompressed(format) ? 1 : 4);
        Parsed parsed = Parse(DdsBytes(MakeHeader(4, 4, 1, pixelFormat), surface));
        ASSERT_EQ(parsed.result, texture_result::Ok);
        EXPECT_EQ(parsed.image.format, format);
        EXPECT_EQ(parsed.image.At(0, 0).rowBytes, rowBytes);
        EXPECT_EQ(parsed.image.At(0, 0).data.size(), surface);
    }
}

// Image editors save opaque pictures as 24-bit RGB: widened to RGBA8, alpha 255, with the
// same size checks as every other layout, from memory and from disk.
TEST(DdsPixelFormats, Rgb24IsWidenedToRgba8InBothByteOrders)
{
    // 2 x 1 and its 1 x 1 level: texels (10, 20, 30), (40, 50, 60), (70, 80, 90) as R, G, B.
    const std::pair<DdsPixelFormat, std::vector<uint8_t>> files[] = {
        {MaskFormat(0x40, 24, 0xFF0000, 0xFF00, 0xFF, 0), {30, 20, 10, 60, 50, 40, 90, 80, 70}},
        {MaskFormat(0x40, 24, 0xFF, 0xFF00, 0xFF0000, 0), {10, 20, 30, 40, 50, 60, 70, 80, 90}},
    };
    ScratchDirectory dir;
    for (const auto& [pixelFormat, data] : files) {
        std::vector<uint8_t> bytes = DdsFileBytes(MakeHeader(2, 1, 2, pixelFormat), data);
        Parsed parsed = Parse(bytes);
        ASSERT_EQ(parsed.result, texture_result::Ok);
        std::vector<uint8_t> texels;
        for (const DdsSubresource& level : parsed.image.subresources)
            texels.insert(texels.end(), level.data.begin(), level.data.end());
        EXPECT_EQ(texels,
                  (std::vector<uint8_t>{10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 255}));

        bytes.pop_back();
        WriteBytes(dir / "cut.dds", bytes);
        const DdsFile fromDisk = ReadDdsFile(dir / "cut.dds");
        EXPECT_EQ(fromDisk.parsed.result, texture_result::EndOfData);
        EXPECT_TRUE(fromDisk.parsed.header.has_value());
    }
    // The header's claim is checked before anything is widened.
    EXPECT_EQ(Parse(DdsBytes(MakeHeader(16384, 16384, 1, files[0].first), 9)).result,
              texture_result::EndOfData);
}

TEST(DdsContainer, ShortOrMalformedFilesFailWithoutHeader)
{
    std::vector<std::vector<uint8_t>> files(4, DdsBytes(MakeHeader(1, 1, 1, kRgba8), 4));
    files[0].resize(127);
    files[1][0] = 'X';      // magic
    files[2][4] = 123;      // header size
    files[3][4 + 72] = 31;  // pixel format size
    // The extended header is announced but the file ends inside it.
    files.push_back(DdsBytes(MakeHeader(1, 1, 1), 0, Dx10(kRgba)));
    files.back().resize(147);
    for (size_t i = 0; i < files.size(); ++i) {
        Parsed parsed = Parse(files[i]);
        EXPECT_EQ(parsed.result, texture_result::Fail) << i;
        EXPECT_FALSE(parsed.header.has_value()) << i;
    }
}

// Mip levels, cube faces and array slices lie back to back, slice-major, and fill the data
// to its end; probes give a level's offset from the first.
TEST(DdsLayouts, LevelsFacesSlicesAndDepthLieWhereTheyBelong)
{
    using Shape = std::tuple<uint32_t, uint32_t, DdsDimension, bool>;  // slices, levels, cube
    constexpr auto k1D = DdsDimension::Texture1D, k2D = DdsDimension::Texture2D,
                   k3D = DdsDimension::Texture3D;
    const DdsHeader dx10Volume = Volume(2, 2, 1, CodeFormat("DX10"));
    const DdsHeaderDx10 array1D = Dx10(kRgba, 2, 0, kDdsDimension1D);
    // Header, extended header, data bytes, shape, probes of slice, level and offset.
    using File = std::tuple<DdsHeader, std::optional<DdsHeaderDx10>, size_t, Shape,
                            std::vector<std::array<uint32_t, 3>>>;
    const File files[] = {
        // 6 x 3 RGBA8 with its full chain: 6x3, 3x1, 1x1; a count of 0 means one level.
        {MakeHeader(6, 3, 3, kRgba8), {}, 88, {1, 3, k2D, false}, {{0, 1, 72}, {0, 2, 84}}},
        {MakeHeader(2, 2, 0, kRgba8), {}, 16, {1, 1, k2D, false}, {}},
        // BC1 cube: each face 8 + 8 + 8 bytes (4x4, 2x2, 1x1 are one block each).
        {Cube(4, 4, 3, CodeFormat("DXT1")), {}, 144, {6, 3, k2D, true}, {{1, 0, 24}, {5, 2, 136}}},
        {MakeHeader(2, 2, 2), Dx10(kRgba, 3), 60, {3, 2, k2D, false}, {{2, 1, 56}}},
        {MakeHeader(2, 2, 1), Dx10(kRgba, 2, kCube), 192, {12, 1, k2D, true}, {{11, 0, 176}}},
        {MakeHeader(4, 1, 1), array1D, 32, {2, 1, k1D, false}, {{1, 0, 16}}},
        // 4x4x4, 2x2x2, 1x1x1.
        {Volume(4, 4, 3), {}, 292, {1, 3, k3D, false}, {{0, 1, 256}, {0, 2, 288}}},
        {dx10Volume, Dx10(kRgba, 1, 0, kDdsDimension3D), 32, {1, 1, k3D, false}, {}},
    };
    for (const auto& [header, dx10, dataBytes, shape, probes] : files) {
        SCOPED_TRACE(dataBytes);
        Parsed parsed = Parse(DdsBytes(header, dataBytes, dx10));
        ASSERT_EQ(parsed.result, texture_result::Ok);
        const DdsImage& image = parsed.image;
        EXPECT_EQ(Shape(image.arraySize, image.mipCount, image.dimension, image.isCube), shape);
        ASSERT_EQ(image.subresources.size(), image.arraySize * image.mipCount);
        const uint8_t* base = image.At(0, 0).data.data();
        for (const auto& [slice, level, offset] : probes)
            EXPECT_EQ(image.At(slice, level).data.data() - base, offset);
        EXPECT_EQ(&*image.subresources.back().data.end() - base, ptrdiff_t(dataBytes));
    }
}

// Headers the reader refuses, each with the result that tells the user why; the container
// itself is sound, so the header comes back. What texture creation would refuse is refused
// before any upload, and the largest claims on a tiny file end on the data at once.
TEST(DdsLimits, RefusedHeadersNameTheirReason)
{
    using namespace texture_result;
    auto legacy = [](DdsPixelFormat pixelFormat) { return MakeHeader(4, 4, 1, pixelFormat); };
    const std::tuple<DdsHeader, std::optional<DdsHeaderDx10>, int32_t> cases[] = {
        // Layouts without a DXGI format: X8B8G8R8, 24 bits with alpha, 16-bit alpha, 32-bit
        // luminance, no flag at all, unknown codes.
        {legacy(MaskFormat(0x41, 32, 0xFF, 0xFF00, 0xFF0000, 0)), {}, NotSupported},
        {legacy(MaskFormat(0x41, 24, 0xFF0000, 0xFF00, 0xFF, 0xFF000000)), {}, NotSupported},
        {legacy(MaskFormat(0x2, 16, 0, 0, 0, 0xFFFF)), {}, NotSupported},
        {legacy(MaskFormat(0x20000, 32, 0xFFFFFFFF, 0, 0, 0)), {}, NotSupported},
        {legacy(MaskFormat(0x0, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000)), {}, NotSupported},
        {legacy(CodeFormat("DXT9")), {}, NotSupported},
        {legacy(CodeFormat(117)), {}, NotSupported},
        {MakeHeader(4, 4, 16, kRgba8), {}, NotSupported},
        {MakeHeader(16385, 1, 1, kRgba8), {}, NotSupported},
        {Volume(2049, 1), {}, NotSupported},
        {MakeHeader(0, 4, 1, kRgba8), {}, InvalidArgument},
        {Volume(4, 0), {}, InvalidArgument},
        {MakeHeader(4, 4, 4, kRgba8), {}, InvalidArgument},  // more levels than the chain
        {Cube(4, 4, 1, kRgba8, kDdsCaps2AllFaces & ~0x8000u), {}, NotSupported},
        {Cube(4, 2, 1, kRgba8), {}, InvalidArgument},
        {MakeHeader(4, 4, 1), Dx10(kRgba, 0), InvalidData},
        {MakeHeader(4, 4, 1), Dx10(DXGI_FORMAT_P8), NotSupported},
        {MakeHeader(4, 4, 1), Dx10(1000), NotSupported},
        {MakeHeader(4, 4, 1), Dx10(kRgba, 1, 0, kDdsDimensionBuffer), NotSupported},
        {MakeHeader(4, 4, 1), Dx10(kRgba, 1, 0, 7), NotSupported},
        {MakeHeader(4, 4, 1), Dx10(kRgba, 2049), NotSupported},
        // 342 cubes are 2052 slices; 2^31 cubes overflow 32 bits when multiplied by 6.
        {MakeHeader(4, 4, 1), Dx10(kRgba, 342, kCube), NotSupported},
        {MakeHeader(4, 4, 1), Dx10(kRgba, 1u << 31, kCube), NotSupported},
        {MakeHeader(8, 2, 1), Dx10(DXGI_FORMAT_R16_FLOAT, 2, 0, kDdsDimension1D), InvalidData},
        {MakeHeader(2, 2, 1), Dx10(DXGI_FORMAT_R32_FLOAT, 1, 0, kDdsDimension3D), InvalidData},
        {Volume(2, 2, 1, CodeFormat("DX10")), Dx10(DXGI_FORMAT_R32_FLOAT, 2, 0, kDdsDimension3D),
         NotSupported},
        {MakeHeader(16384, 16384, 15), Dx10(DXGI_FORMAT_R32G32B32A32_FLOAT, 341, kCube), EndOfData},
        {Volume(2048, 2048, 12), {}, EndOfData},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& [header, dx10, expected] = cases[i];
        Parsed parsed = Parse(DdsBytes(header, 200, dx10));
        EXPECT_EQ(parsed.result, expected) << i;
        EXPECT_TRUE(parsed.header.has_value()) << i;
        EXPECT_EQ(parsed.dx10.has_value(), dx10.has_value()) << i;
    }
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
}

TEST(DdsFiles, ReadsFromDiskAndReportsUnreadableFiles)
{
    ScratchDirectory dir;
    WriteBytes(dir / "ok.dds", DdsBytes(MakeHeader(2, 2, 2, kRgba8), 20));
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

TEST(DdsSurfaceSize, PackedPlanarAndBitFormats)
{
    // Format, width, height, then the row and surface bytes.
    const std::array<uint64_t, 5> cases[] = {{DXGI_FORMAT_BC1_UNORM, 0, 0, 0, 0},
                                             {DXGI_FORMAT_BC4_SNORM, 9, 5, 24, 48},
                                             {DXGI_FORMAT_YUY2, 3, 2, 8, 16},
                                             {DXGI_FORMAT_R8G8_B8G8_UNORM, 5, 1, 12, 12},
                                             {DXGI_FORMAT_Y210, 3, 2, 16, 32},
                                             {DXGI_FORMAT_NV11, 5, 2, 8, 32},
                                             {DXGI_FORMAT_P010, 4, 4, 8, 48},
                                             {DXGI_FORMAT_R1_UNORM, 9, 2, 2, 4},
                                             {DXGI_FORMAT_R32G32B32_FLOAT, 3, 2, 36, 72},
                                             {DXGI_FORMAT_UNKNOWN, 4, 4, 0, 0}};
    for (const auto& [format, width, height, rowBytes, surfaceBytes] : cases) {
        const DdsSurfaceSize size = ComputeSurfaceSize(format, width, height);
        EXPECT_EQ(std::pair(size.rowBytes, size.surfaceBytes), std::pair(rowBytes, surfaceBytes))
            << DxgiFormatName(format);
    }
}

// Packed and BGRA layouts must keep their byte order; GL core has no alpha-only format, so
// A8 lives in red and is swizzled into alpha; formats without a GL equivalent have none.
TEST(GlTextureFormat, PackedFormatsKeepTheirByteOrderAndOthersAreRefused)
{
    const std::array<GLenum, 4> cases[] = {
        {DXGI_FORMAT_B8G8R8A8_UNORM, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE},
        {DXGI_FORMAT_B5G5R5A1_UNORM, GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV},
        {DXGI_FORMAT_B4G4R4A4_UNORM, GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV},
        {DXGI_FORMAT_B5G6R5_UNORM, GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5},
        {DXGI_FORMAT_R10G10B10A2_UNORM, GL_RGB10_A2, GL_RGBA, GL_UNSIGNED_INT_2_10_10_10_REV},
    };
    for (const auto& [dxgi, internalFormat, format, type] : cases) {
        std::optional<GlTextureFormat> gl = LookupGlTextureFormat(dxgi);
        ASSERT_TRUE(gl) << DxgiFormatName(dxgi);
        EXPECT_EQ(std::tie(gl->internalFormat, gl->format, gl->type),
                  std::tie(internalFormat, format, type))
            << DxgiFormatName(dxgi);
        EXPECT_FALSE(gl->compressed || gl->hasSwizzle);
    }
    std::optional<GlTextureFormat> a8 = LookupGlTextureFormat(DXGI_FORMAT_A8_UNORM);
    ASSERT_TRUE(a8 && a8->hasSwizzle);
    EXPECT_EQ(a8->internalFormat, static_cast<GLenum>(GL_R8));
    EXPECT_EQ(std::vector<GLint>(a8->swizzle, a8->swizzle + 4),
              (std::vector<GLint>{GL_ZERO, GL_ZERO, GL_ZERO, GL_RED}));

    for (uint32_t format :
         {DXGI_FORMAT_UNKNOWN, DXGI_FORMAT_R8G8B8A8_TYPELESS, DXGI_FORMAT_BC1_TYPELESS,
          DXGI_FORMAT_D24_UNORM_S8_UINT, DXGI_FORMAT_R8G8_B8G8_UNORM, DXGI_FORMAT_YUY2,
          DXGI_FORMAT_NV12, DXGI_FORMAT_R1_UNORM, DXGI_FORMAT_R10G10B10_XR_BIAS_A2_UNORM})
        EXPECT_FALSE(LookupGlTextureFormat(format).has_value()) << DxgiFormatName(format);
}

}  // namespace
