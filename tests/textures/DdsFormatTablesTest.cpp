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
        {DXGI_FORMAT_BC1_UNORM, 0, 0, 0, 0},   {DXGI_FORMAT_BC1_UNORM, 1, 1, 8, 8},
        {DXGI_FORMAT_BC4_SNORM, 9, 5, 24, 48}, {DXGI_FORMAT_BC7_UNORM_SRGB, 5, 3, 32, 32},
        {DXGI_FORMAT_YUY2, 3, 2, 8, 16},       {DXGI_FORMAT_R8G8_B8G8_UNORM, 5, 1, 12, 12},
        {DXGI_FORMAT_Y210, 3, 2, 16, 32},      {DXGI_FORMAT_NV11, 5, 2, 8, 32},
        {DXGI_FORMAT_NV12, 4, 4, 4, 24},       {DXGI_FORMAT_P010, 4, 4, 8, 48},
        {DXGI_FORMAT_R1_UNORM, 9, 2, 2, 4},    {DXGI_FORMAT_R32G32B32_FLOAT, 3, 2, 36, 72},
        {DXGI_FORMAT_UNKNOWN, 4, 4, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(DxgiFormatName(c.format));
        const DdsSurfaceSize size = ComputeSurfaceSize(c.format, c.width, c.height);
        EXPECT_EQ(size.rowBytes, c.rowBytes);
        EXPECT_EQ(size.surfaceBytes, c.surfaceBytes);
    }
}

// Packed and BGRA layouts must keep their byte order; GL core has no alpha-only format, so
// A8 lives in red and is swizzled into alpha; formats without a GL equivalent have none.
TEST(GlTextureFormat, PackedFormatsKeepTheirByteOrderAndOthersAreRefused)
{
    struct Case {
        uint32_t dxgi;
        GLenum internalFormat, format, type;
    };
    const Case cases[] = {
        {DXGI_FORMAT_B8G8R8A8_UNORM, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE},
        {DXGI_FORMAT_B5G5R5A1_UNORM, GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV},
        {DXGI_FORMAT_B4G4R4A4_UNORM, GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV},
        {DXGI_FORMAT_B5G6R5_UNORM, GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5},
        {DXGI_FORMAT_R10G10B10A2_UNORM, GL_RGB10_A2, GL_RGBA, GL_UNSIGNED_INT_2_10_10_10_REV},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(DxgiFormatName(c.dxgi));
        std::optional<GlTextureFormat> gl = LookupGlTextureFormat(c.dxgi);
        ASSERT_TRUE(gl);
        EXPECT_EQ(std::vector<GLenum>({gl->internalFormat, gl->format, gl->type}),
                  std::vector<GLenum>({c.internalFormat, c.format, c.type}));
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
