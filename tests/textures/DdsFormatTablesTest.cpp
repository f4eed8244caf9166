#include <gtest/gtest.h>

#include "textures/DdsSurfaceSize.h"
#include "textures/DxgiFormat.h"
#include "textures/GlTextureFormat.h"

TEST(DdsSurfaceSize, PackedPlanarAndBitFormats)
{
    struct Case {
        uint32_t format;
        uint32_t width, height;
        uint64_t rowBytes, surfaceBytes;
    };
    const Case cases[] = {
        {DXGI_FORMAT_BC1_UNORM, 0, 0, 0, 0},
        {DXGI_FORMAT_BC1_UNORM, 1, 1, 8, 8},
        {DXGI_FORMAT_BC4_SNORM, 9, 5, 24, 48},
        {DXGI_FORMAT_BC7_UNORM_SRGB, 5, 3, 32, 32},
        {DXGI_FORMAT_BC6H_UF16, 4, 8, 16, 32},
        {DXGI_FORMAT_YUY2, 3, 2, 8, 16},
        {DXGI_FORMAT_R8G8_B8G8_UNORM, 5, 1, 12, 12},
        {DXGI_FORMAT_Y210, 3, 2, 16, 32},
        {DXGI_FORMAT_NV11, 5, 2, 8, 32},
        {DXGI_FORMAT_NV12, 4, 4, 4, 24},
        {DXGI_FORMAT_P010, 4, 4, 8, 48},
        {DXGI_FORMAT_R1_UNORM, 9, 2, 2, 4},
        {DXGI_FORMAT_R32G32B32_FLOAT, 3, 2, 36, 72},
        {DXGI_FORMAT_UNKNOWN, 4, 4, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(DxgiFormatName(c.format));
        const DdsSurfaceSize size = ComputeSurfaceSize(c.format, c.width, c.height);
        EXPECT_EQ(size.rowBytes, c.rowBytes);
        EXPECT_EQ(size.surfaceBytes, c.surfaceBytes);
    }
}

TEST(GlTextureFormat, BlockCompressedFormatsUploadCompressed)
{
    const std::pair<uint32_t, GLenum> cases[] = {
        {DXGI_FORMAT_BC1_UNORM, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT},
        {DXGI_FORMAT_BC2_UNORM, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT},
        {DXGI_FORMAT_BC3_UNORM_SRGB, GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT5_EXT},
        {DXGI_FORMAT_BC4_UNORM, GL_COMPRESSED_RED_RGTC1},
        {DXGI_FORMAT_BC4_SNORM, GL_COMPRESSED_SIGNED_RED_RGTC1},
        {DXGI_FORMAT_BC5_UNORM, GL_COMPRESSED_RG_RGTC2},
        {DXGI_FORMAT_BC5_SNORM, GL_COMPRESSED_SIGNED_RG_RGTC2},
        {DXGI_FORMAT_BC6H_SF16, GL_COMPRESSED_RGB_BPTC_SIGNED_FLOAT},
        {DXGI_FORMAT_BC7_UNORM, GL_COMPRESSED_RGBA_BPTC_UNORM},
    };
    for (const auto& [dxgi, gl] : cases) {
        SCOPED_TRACE(DxgiFormatName(dxgi));
        std::optional<GlTextureFormat> format = LookupGlTextureFormat(dxgi);
        ASSERT_TRUE(format.has_value());
        EXPECT_TRUE(format->compressed);
        EXPECT_EQ(format->internalFormat, gl);
    }
}

TEST(GlTextureFormat, BgraAndPackedFormatsKeepTheirByteOrder)
{
    std::optional<GlTextureFormat> bgra = LookupGlTextureFormat(DXGI_FORMAT_B8G8R8A8_UNORM);
    ASSERT_TRUE(bgra);
    EXPECT_EQ(bgra->internalFormat, static_cast<GLenum>(GL_RGBA8));
    EXPECT_EQ(bgra->format, static_cast<GLenum>(GL_BGRA));
    EXPECT_EQ(bgra->type, static_cast<GLenum>(GL_UNSIGNED_BYTE));

    std::optional<GlTextureFormat> bgr5a1 = LookupGlTextureFormat(DXGI_FORMAT_B5G5R5A1_UNORM);
    ASSERT_TRUE(bgr5a1);
    EXPECT_EQ(bgr5a1->format, static_cast<GLenum>(GL_BGRA));
    EXPECT_EQ(bgr5a1->type, static_cast<GLenum>(GL_UNSIGNED_SHORT_1_5_5_5_REV));
    std::optional<GlTextureFormat> bgra4 = LookupGlTextureFormat(DXGI_FORMAT_B4G4R4A4_UNORM);
    ASSERT_TRUE(bgra4);
    EXPECT_EQ(bgra4->type, static_cast<GLenum>(GL_UNSIGNED_SHORT_4_4_4_4_REV));
    std::optional<GlTextureFormat> rgb10a2 = LookupGlTextureFormat(DXGI_FORMAT_R10G10B10A2_UNORM);
    ASSERT_TRUE(rgb10a2);
    EXPECT_EQ(rgb10a2->type, static_cast<GLenum>(GL_UNSIGNED_INT_2_10_10_10_REV));
    std::optional<GlTextureFormat> b5g6r5 = LookupGlTextureFormat(DXGI_FORMAT_B5G6R5_UNORM);
    ASSERT_TRUE(b5g6r5);
    EXPECT_EQ(b5g6r5->internalFormat, static_cast<GLenum>(GL_RGB565));

    std::optional<GlTextureFormat> a8 = LookupGlTextureFormat(DXGI_FORMAT_A8_UNORM);
    ASSERT_TRUE(a8);
    EXPECT_EQ(a8->internalFormat, static_cast<GLenum>(GL_R8));
    ASSERT_TRUE(a8->hasSwizzle);
    EXPECT_EQ(a8->swizzle[0], GL_ZERO);
    EXPECT_EQ(a8->swizzle[3], GL_RED);
    EXPECT_FALSE(bgra->hasSwizzle);
}

TEST(GlTextureFormat, FormatsWithoutGlEquivalentAreUnsupported)
{
    for (uint32_t format :
         {DXGI_FORMAT_UNKNOWN, DXGI_FORMAT_R8G8B8A8_TYPELESS, DXGI_FORMAT_BC1_TYPELESS,
          DXGI_FORMAT_D24_UNORM_S8_UINT, DXGI_FORMAT_R8G8_B8G8_UNORM, DXGI_FORMAT_G8R8_G8B8_UNORM,
          DXGI_FORMAT_YUY2, DXGI_FORMAT_NV12, DXGI_FORMAT_R1_UNORM,
          DXGI_FORMAT_R10G10B10_XR_BIAS_A2_UNORM}) {
        EXPECT_FALSE(LookupGlTextureFormat(format).has_value()) << DxgiFormatName(format);
    }
}

TEST(GlTextureFormat, EveryLegacyDdsFormatExceptVideoLayoutsHasOne)
{
    for (uint32_t format : {DXGI_FORMAT_R8G8B8A8_UNORM,     DXGI_FORMAT_B8G8R8A8_UNORM,
                            DXGI_FORMAT_B8G8R8X8_UNORM,     DXGI_FORMAT_R10G10B10A2_UNORM,
                            DXGI_FORMAT_R16G16_UNORM,       DXGI_FORMAT_R32_FLOAT,
                            DXGI_FORMAT_B5G5R5A1_UNORM,     DXGI_FORMAT_B5G6R5_UNORM,
                            DXGI_FORMAT_B4G4R4A4_UNORM,     DXGI_FORMAT_R8_UNORM,
                            DXGI_FORMAT_R16_UNORM,          DXGI_FORMAT_R8G8_UNORM,
                            DXGI_FORMAT_A8_UNORM,           DXGI_FORMAT_BC1_UNORM,
                            DXGI_FORMAT_BC2_UNORM,          DXGI_FORMAT_BC3_UNORM,
                            DXGI_FORMAT_BC4_UNORM,          DXGI_FORMAT_BC4_SNORM,
                            DXGI_FORMAT_BC5_UNORM,          DXGI_FORMAT_BC5_SNORM,
                            DXGI_FORMAT_R16G16B16A16_UNORM, DXGI_FORMAT_R16G16B16A16_SNORM,
                            DXGI_FORMAT_R16_FLOAT,          DXGI_FORMAT_R16G16_FLOAT,
                            DXGI_FORMAT_R16G16B16A16_FLOAT, DXGI_FORMAT_R32G32_FLOAT,
                            DXGI_FORMAT_R32G32B32A32_FLOAT}) {
        EXPECT_TRUE(LookupGlTextureFormat(format).has_value()) << DxgiFormatName(format);
    }
}
