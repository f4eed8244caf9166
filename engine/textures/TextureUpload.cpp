#include "textures/TextureUpload.h"

#include <limits>
#include <vector>

#include "graphics/gpu/GpuDevice.h"
#include "textures/DdsReader.h"
#include "textures/GlTextureFormat.h"
#include "textures/TextureResult.h"

namespace {

gpu::TextureKind KindOf(const DdsImage& image)
{
    if (image.isCube)
        return gpu::TextureKind::TextureCube;
    switch (image.dimension) {
        case DdsDimension::Texture1D:
            return gpu::TextureKind::Texture1D;
        case DdsDimension::Texture3D:
            return gpu::TextureKind::Texture3D;
        case DdsDimension::Texture2D:
            break;
    }
    return gpu::TextureKind::Texture2D;
}

ShaderResourceViewPtr CreateDdsTextureOnce(const DdsImage& image, const GlTextureFormat& gl)
{
    gpu::TextureDesc desc;
    desc.kind = KindOf(image);
    desc.width = image.width;
    desc.height = image.height;
    desc.depth = image.dimension == DdsDimension::Texture3D ? image.depth : 1;
    desc.arraySize = image.isCube ? image.arraySize / 6 : image.arraySize;
    desc.mipLevels = image.mipCount;
    desc.format.internalFormat = gl.internalFormat;
    desc.format.format = gl.format;
    desc.format.type = gl.type;
    desc.format.compressed = gl.compressed;
    if (gl.hasSwizzle)
        desc.format.swizzle = {gl.swizzle[0], gl.swizzle[1], gl.swizzle[2], gl.swizzle[3]};

    // The GPU layer takes one mip chain per slice, or a single one for a volume.
    const size_t expected =
        static_cast<size_t>(desc.kind == gpu::TextureKind::Texture3D ? 1 : image.arraySize) *
        image.mipCount;
    if (desc.mipLevels == 0 || desc.arraySize == 0 || image.subresources.size() < expected)
        return nullptr;
    std::vector<gpu::SubresourceData> data;
    data.reserve(expected);
    for (size_t i = 0; i < expected; ++i) {
        const DdsSubresource& sub = image.subresources[i];
        if (sub.data.size() > std::numeric_limits<uint32_t>::max())
            return nullptr;
        data.push_back({sub.data.data(), static_cast<uint32_t>(sub.data.size())});
    }
    return gpu::CreateShaderResourceView(gpu::CreateTexture(desc, data));
}

}  // namespace

DdsTextureView CreateDdsTexture(const DdsImage& image)
{
    const std::optional<GlTextureFormat> gl = LookupGlTextureFormat(image.format);
    if (!gl)
        return {texture_result::NotSupported, nullptr};
    if (ShaderResourceViewPtr view = CreateDdsTextureOnce(image, *gl))
        return {texture_result::Ok, std::move(view)};
    const std::optional<DdsImage> reduced =
        DropMipsAboveCap(image, DdsRetrySizeCap(image.dimension));
    if (!reduced)
        return {texture_result::Fail, nullptr};
    if (ShaderResourceViewPtr view = CreateDdsTextureOnce(*reduced, *gl))
        return {texture_result::Ok, std::move(view)};
    return {texture_result::Fail, nullptr};
}

ShaderResourceViewPtr CreateRgba8Texture(uint32_t width, uint32_t height,
                                         std::span<const uint32_t> texels, uint32_t mipLevels)
{
    if (width == 0 || height == 0 || texels.size() < static_cast<size_t>(width) * height)
        return nullptr;
    gpu::TextureDesc desc;
    desc.width = width;
    desc.height = height;
    desc.mipLevels = mipLevels;
    desc.format = gpu::FormatRgba8();
    std::shared_ptr<gpu::Texture> texture = gpu::CreateTexture(desc);
    if (!texture)
        return nullptr;
    gpu::ClearGlErrors();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTextureSubImage2D(texture->Name(), 0, 0, 0, static_cast<GLsizei>(width),
                        static_cast<GLsizei>(height), GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    if (texture->Desc().mipLevels > 1)
        glGenerateTextureMipmap(texture->Name());
    if (glGetError() != GL_NO_ERROR)
        return nullptr;
    return gpu::CreateShaderResourceView(std::move(texture));
}

ShaderResourceViewPtr CreateTargaTexture(const TargaImage& image)
{
    if (!image.HasPixels())
        return nullptr;
    return CreateRgba8Texture(image.width, image.height, image.pixels, 1);
}

ShaderResourceViewPtr CreateExrTexture(const ExrImage& image)
{
    // The lower levels are generated: left undefined they would show as noise when the
    // texture is minified.
    return CreateRgba8Texture(image.width, image.height, image.pixels, 0);
}

ShaderResourceViewPtr CreateSolidCubeTexture(uint8_t red, uint8_t green, uint8_t blue)
{
    const uint32_t texel = static_cast<uint32_t>(red) | (static_cast<uint32_t>(green) << 8) |
                           (static_cast<uint32_t>(blue) << 16) | 0xFF000000u;
    // All six faces share one block of 4 x 4 texels.
    const std::vector<uint32_t> face(16, texel);
    gpu::TextureDesc desc;
    desc.kind = gpu::TextureKind::TextureCube;
    desc.width = 4;
    desc.height = 4;
    desc.mipLevels = 1;
    desc.format = gpu::FormatRgba8();
    const gpu::SubresourceData faceData{face.data(), static_cast<uint32_t>(face.size() * 4)};
    const gpu::SubresourceData faces[6] = {faceData, faceData, faceData,
                                           faceData, faceData, faceData};
    return gpu::CreateShaderResourceView(gpu::CreateTexture(desc, faces));
}

void ViewSize(const ShaderResourceViewPtr& view, float size[2])
{
    size[0] = 0.0f;
    size[1] = 0.0f;
    if (!view || !view->GetTexture())
        return;
    const gpu::TextureDesc& desc = view->GetTexture()->Desc();
    size[0] = static_cast<float>(desc.width);
    size[1] = static_cast<float>(desc.height);
}
