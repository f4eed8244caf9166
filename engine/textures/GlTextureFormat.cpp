#include "textures/GlTextureFormat.h"

#include "textures/DxgiFormat.h"

namespace {

GlTextureFormat Plain(GLenum internalFormat, GLenum format, GLenum type)
{
    GlTextureFormat gl;
    gl.internalFormat = internalFormat;
    gl.format = format;
    gl.type = type;
    return gl;
}

GlTextureFormat Compressed(GLenum internalFormat)
{
    GlTextureFormat gl;
    gl.internalFormat = internalFormat;
    gl.compressed = true;
    return gl;
}

}  // namespace

std::optional<GlTextureFormat> LookupGlTextureFormat(uint32_t dxgiFormat)
{
    switch (dxgiFormat) {
        case DXGI_FORMAT_R32G32B32A32_FLOAT:
            return Plain(GL_RGBA32F, GL_RGBA, GL_FLOAT);
        case DXGI_FORMAT_R32G32B32A32_UINT:
            return Plain(GL_RGBA32UI, GL_RGBA_INTEGER, GL_UNSIGNED_INT);
        case DXGI_FORMAT_R32G32B32A32_SINT:
            return Plain(GL_RGBA32I, GL_RGBA_INTEGER, GL_INT);
        case DXGI_FORMAT_R32G32B32_FLOAT:
            return Plain(GL_RGB32F, GL_RGB, GL_FLOAT);
        case DXGI_FORMAT_R32G32B32_UINT:
            return Plain(GL_RGB32UI, GL_RGB_INTEGER, GL_UNSIGNED_INT);
        case DXGI_FORMAT_R32G32B32_SINT:
            return Plain(GL_RGB32I, GL_RGB_INTEGER, GL_INT);
        case DXGI_FORMAT_R16G16B16A16_FLOAT:
            return Plain(GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT);
        case DXGI_FORMAT_R16G16B16A16_UNORM:
            return Plain(GL_RGBA16, GL_RGBA, GL_UNSIGNED_SHORT);
        case DXGI_FORMAT_R16G16B16A16_UINT:
            return Plain(GL_RGBA16UI, GL_RGBA_INTEGER, GL_UNSIGNED_SHORT);
        case DXGI_FORMAT_R16G16B16A16_SNORM:
            return Plain(GL_RGBA16_SNORM, GL_RGBA, GL_SHORT);
        case DXGI_FORMAT_R16G16B16A16_SINT:
            return Plain(GL_RGBA16I, GL_RGBA_INTEGER, GL_SHORT);
        case DXGI_FORMAT_R32G32_FLOAT:
            return Plain(GL_RG32F, GL_RG, GL_FLOAT);
        case DXGI_FORMAT_R32G32_UINT:
            return Plain(GL_RG32UI, GL_RG_INTEGER, GL_UNSIGNED_INT);
        case DXGI_FORMAT_R32G32_SINT:
            return Plain(GL_RG32I, GL_RG_INTEGER, GL_INT);
        case DXGI_FORMAT_R10G10B10A2_UNORM:
            return Plain(GL_RGB10_A2, GL_RGBA, GL_UNSIGNED_INT_2_10_10_10_REV);
        case DXGI_FORMAT_R10G10B10A2_UINT:
            return Plain(GL_RGB10_A2UI, GL_RGBA_INTEGER, GL_UNSIGNED_INT_2_10_10_10_REV);
        case DXGI_FORMAT_R11G11B10_FLOAT:
            return Plain(GL_R11F_G11F_B10F, GL_RGB, GL_UNSIGNED_INT_10F_11F_11F_REV);
        case DXGI_FORMAT_R8G8B8A8_UNORM:
            return Plain(GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE);
        case DXGI_FORMAT_R8G8B8A8_UNORM_SRGB:
            return Plain(GL_SRGB8_ALPHA8, GL_RGBA, GL_UNSIGNED_BYTE);
        case DXGI_FORMAT_R8G8B8A8_UINT:
            return Plain(GL_RGBA8UI, GL_RGBA_INTEGER, GL_UNSIGNED_BYTE);
        case DXGI_FORMAT_R8G8B8A8_SNORM:
            return Plain(GL_RGBA8_SNORM, GL_RGBA, GL_BYTE);
        case DXGI_FORMAT_R8G8B8A8_SINT:
            return Plain(GL_RGBA8I, GL_RGBA_INTEGER, GL_BYTE);
        case DXGI_FORMAT_R16G16_FLOAT:
            return Plain(GL_RG16F, GL_RG, GL_HALF_FLOAT);
        case DXGI_FORMAT_R16G16_UNORM:
            return Plain(GL_RG16, GL_RG, GL_UNSIGNED_SHORT);
        case DXGI_FORMAT_R16G16_UINT:
            return Plain(GL_RG16UI, GL_RG_INTEGER, GL_UNSIGNED_SHORT);
        case DXGI_FORMAT_R16G16_SNORM:
            return Plain(GL_RG16_SNORM, GL_RG, GL_SHORT);
        case DXGI_FORMAT_R16G16_SINT:
            return Plain(GL_RG16I, GL_RG_INTEGER, GL_SHORT);
        case DXGI_FORMAT_R32_FLOAT:
            return Plain(GL_R32F, GL_RED, GL_FLOAT);
        case DXGI_FORMAT_R32_UINT:
            return Plain(GL_R32UI, GL_RED_INTEGER, GL_UNSIGNED_INT);
        case DXGI_FORMAT_R32_SINT:
            return Plain(GL_R32I, GL_RED_INTEGER, GL_INT);
        case DXGI_FORMAT_R8G8_UNORM:
            return Plain(GL_RG8, GL_RG, GL_UNSIGNED_BYTE);
        case DXGI_FORMAT_R8G8_UINT:
            return Plain(GL_RG8UI, GL_RG_INTEGER, GL_UNSIGNED_BYTE);
        case DXGI_FORMAT_R8G8_SNORM:
            return Plain(GL_RG8_SNORM, GL_RG, GL_BYTE);
        case DXGI_FORMAT_R8G8_SINT:
            return Plain(GL_RG8I, GL_RG_INTEGER, GL_BYTE);
        case DXGI_FORMAT_R16_FLOAT:
            return Plain(GL_R16F, GL_RED, GL_HALF_FLOAT);
        case DXGI_FORMAT_R16_UNORM:
            return Plain(GL_R16, GL_RED, GL_UNSIGNED_SHORT);
        case DXGI_FORMAT_R16_UINT:
            return Plain(GL_R16UI, GL_RED_INTEGER, GL_UNSIGNED_SHORT);
        case DXGI_FORMAT_R16_SNORM:
            return Plain(GL_R16_SNORM, GL_RED, GL_SHORT);
        case DXGI_FORMAT_R16_SINT:
            return Plain(GL_R16I, GL_RED_INTEGER, GL_SHORT);
        case DXGI_FORMAT_R8_UNORM:
            return Plain(GL_R8, GL_RED, GL_UNSIGNED_BYTE);
        case DXGI_FORMAT_R8_UINT:
            return Plain(GL_R8UI, GL_RED_INTEGER, GL_UNSIGNED_BYTE);
        case DXGI_FORMAT_R8_SNORM:
            return Plain(GL_R8_SNORM, GL_RED, GL_BYTE);
        case DXGI_FORMAT_R8_SINT:
            return Plain(GL_R8I, GL_RED_INTEGER, GL_BYTE);
        case DXGI_FORMAT_A8_UNORM: {
            // GL core has no alpha-only format: keep the byte in red and read it as alpha.
            GlTextureFormat gl = Plain(GL_R8, GL_RED, GL_UNSIGNED_BYTE);
            gl.hasSwizzle = true;
            gl.swizzle[0] = GL_ZERO;
            gl.swizzle[1] = GL_ZERO;
            gl.swizzle[2] = GL_ZERO;
            gl.swizzle[3] = GL_RED;
            return gl;
        }
        case DXGI_FORMAT_R9G9B9E5_SHAREDEXP:
            return Plain(GL_RGB9_E5, GL_RGB, GL_UNSIGNED_INT_5_9_9_9_REV);
        // Packed 16-bit formats list blue in the low bits, as the _REV types with BGRA do.
        // B5G6R5 has red in the high bits, which plain 5_6_5 with RGB already means.
        case DXGI_FORMAT_B5G6R5_UNORM:
            return Plain(GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5);
        case DXGI_FORMAT_B5G5R5A1_UNORM:
            return Plain(GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV);
        case DXGI_FORMAT_B4G4R4A4_UNORM:
            return Plain(GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV);
        case DXGI_FORMAT_B8G8R8A8_UNORM:
            return Plain(GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE);
        case DXGI_FORMAT_B8G8R8A8_UNORM_SRGB:
            return Plain(GL_SRGB8_ALPHA8, GL_BGRA, GL_UNSIGNED_BYTE);
        // The X byte is uploaded but ignored: an RGB internal format reads alpha as 1.
        case DXGI_FORMAT_B8G8R8X8_UNORM:
            return Plain(GL_RGB8, GL_BGRA, GL_UNSIGNED_BYTE);
        case DXGI_FORMAT_B8G8R8X8_UNORM_SRGB:
            return Plain(GL_SRGB8, GL_BGRA, GL_UNSIGNED_BYTE);
        case DXGI_FORMAT_BC1_UNORM:
            return Compressed(GL_COMPRESSED_RGBA_S3TC_DXT1_EXT);
        case DXGI_FORMAT_BC1_UNORM_SRGB:
            return Compressed(GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT1_EXT);
        case DXGI_FORMAT_BC2_UNORM:
            return Compressed(GL_COMPRESSED_RGBA_S3TC_DXT3_EXT);
        case DXGI_FORMAT_BC2_UNORM_SRGB:
            return Compressed(GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT3_EXT);
        case DXGI_FORMAT_BC3_UNORM:
            return Compressed(GL_COMPRESSED_RGBA_S3TC_DXT5_EXT);
        case DXGI_FORMAT_BC3_UNORM_SRGB:
            return Compressed(GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT5_EXT);
        case DXGI_FORMAT_BC4_UNORM:
            return Compressed(GL_COMPRESSED_RED_RGTC1);
        case DXGI_FORMAT_BC4_SNORM:
            return Compressed(GL_COMPRESSED_SIGNED_RED_RGTC1);
        case DXGI_FORMAT_BC5_UNORM:
            return Compressed(GL_COMPRESSED_RG_RGTC2);
        case DXGI_FORMAT_BC5_SNORM:
            return Compressed(GL_COMPRESSED_SIGNED_RG_RGTC2);
        case DXGI_FORMAT_BC6H_UF16:
            return Compressed(GL_COMPRESSED_RGB_BPTC_UNSIGNED_FLOAT);
        case DXGI_FORMAT_BC6H_SF16:
            return Compressed(GL_COMPRESSED_RGB_BPTC_SIGNED_FLOAT);
        case DXGI_FORMAT_BC7_UNORM:
            return Compressed(GL_COMPRESSED_RGBA_BPTC_UNORM);
        case DXGI_FORMAT_BC7_UNORM_SRGB:
            return Compressed(GL_COMPRESSED_SRGB_ALPHA_BPTC_UNORM);
        default:
            return std::nullopt;
    }
}
