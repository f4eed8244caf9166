#include "graphics/gpu/GpuDevice.h"

#include <algorithm>
#include <bit>

namespace gpu {
namespace {

GLenum TargetFor(const TextureDesc& desc)
{
    switch (desc.kind) {
        case TextureKind::Texture1D:
            return desc.arraySize > 1 ? GL_TEXTURE_1D_ARRAY : GL_TEXTURE_1D;
        case TextureKind::Texture2D:
            return desc.arraySize > 1 ? GL_TEXTURE_2D_ARRAY : GL_TEXTURE_2D;
        case TextureKind::TextureCube:
            return desc.arraySize > 1 ? GL_TEXTURE_CUBE_MAP_ARRAY : GL_TEXTURE_CUBE_MAP;
        case TextureKind::Texture3D:
            return GL_TEXTURE_3D;
    }
    return GL_TEXTURE_2D;
}

uint32_t MipSize(uint32_t size, uint32_t level)
{
    return std::max(1u, size >> level);
}

bool UploadSubresource(GLuint name, GLenum target, const TextureDesc& desc, uint32_t layer,
                       uint32_t level, const SubresourceData& data)
{
    const uint32_t w = MipSize(desc.width, level);
    const uint32_t h = MipSize(desc.height, level);
    const uint32_t d = MipSize(desc.depth, level);
    const PixelFormat& f = desc.format;
    const auto size = static_cast<GLsizei>(data.byteSize);
    switch (target) {
        case GL_TEXTURE_1D:
            if (f.compressed)
                glCompressedTextureSubImage1D(name, level, 0, w, f.internalFormat, size, data.data);
            else
                glTextureSubImage1D(name, level, 0, w, f.format, f.type, data.data);
            return true;
        case GL_TEXTURE_1D_ARRAY:
        case GL_TEXTURE_2D:
            if (target == GL_TEXTURE_1D_ARRAY) {
                // Layers of a 1D array are the rows of a 2D image.
                if (f.compressed)
                    return false;
                glTextureSubImage2D(name, level, 0, layer, w, 1, f.format, f.type, data.data);
                return true;
            }
            if (f.compressed)
                glCompressedTextureSubImage2D(name, level, 0, 0, w, h, f.internalFormat, size,
                                              data.data);
            else
                glTextureSubImage2D(name, level, 0, 0, w, h, f.format, f.type, data.data);
            return true;
        case GL_TEXTURE_2D_ARRAY:
        case GL_TEXTURE_CUBE_MAP:
        case GL_TEXTURE_CUBE_MAP_ARRAY:
            if (f.compressed)
                glCompressedTextureSubImage3D(name, level, 0, 0, layer, w, h, 1, f.internalFormat,
                                              size, data.data);
            else
                glTextureSubImage3D(name, level, 0, 0, layer, w, h, 1, f.format, f.type, data.data);
            return true;
        case GL_TEXTURE_3D:
            if (f.compressed)
                glCompressedTextureSubImage3D(name, level, 0, 0, 0, w, h, d, f.internalFormat, size,
                                              data.data);
            else
                glTextureSubImage3D(name, level, 0, 0, 0, w, h, d, f.format, f.type, data.data);
            return true;
        default:
            return false;
    }
}

}  // namespace

void ClearGlErrors()
{
    // Bounded: a lost context can report errors for ever.
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

uint32_t FullMipCount(uint32_t width, uint32_t height, uint32_t depth)
{
    uint32_t largest = std::max({width, height, depth, 1u});
    return static_cast<uint32_t>(std::bit_width(largest));
}

PixelFormat FormatRgba8()
{
    return {GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, false};
}

PixelFormat FormatRgba32Float()
{
    return {GL_RGBA32F, GL_RGBA, GL_FLOAT, false};
}

PixelFormat FormatDepth32Float()
{
    return {GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, GL_FLOAT, false};
}

PixelFormat FormatRgba16Float()
{
    return {GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT, false};
}

PixelFormat FormatRgba16FloatFromRgb32()
{
    return {GL_RGBA16F, GL_RGB, GL_FLOAT, false};
}

std::shared_ptr<Buffer> CreateBuffer(BufferBinding binding, BufferUsage usage, uint32_t byteSize,
                                     const void* initialData, uint32_t structureStride)
{
    if (byteSize == 0)
        return nullptr;
    ClearGlErrors();
    GLuint name = 0;
    glCreateBuffers(1, &name);
    if (name == 0)
        return nullptr;
    GLbitfield flags = usage == BufferUsage::Immutable ? 0 : GL_DYNAMIC_STORAGE_BIT;
    if (usage == BufferUsage::Dynamic)
        flags |= GL_MAP_WRITE_BIT;
    glNamedBufferStorage(name, byteSize, initialData, flags);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteBuffers(1, &name);
        return nullptr;
    }
    return std::make_shared<Buffer>(name, byteSize, structureStride, usage, binding);
}

std::shared_ptr<Texture> CreateTexture(const TextureDesc& requested,
                                       std::span<const SubresourceData> initialData)
{
    TextureDesc desc = requested;
    if (desc.width == 0 || desc.height == 0 || desc.depth == 0 || desc.arraySize == 0)
        return nullptr;
    const uint32_t fullChain =
        FullMipCount(desc.width, desc.height, desc.kind == TextureKind::Texture3D ? desc.depth : 1);
    if (desc.mipLevels == 0 || desc.mipLevels > fullChain)
        desc.mipLevels = fullChain;

    const GLenum target = TargetFor(desc);
    const uint32_t layers =
        desc.kind == TextureKind::TextureCube ? desc.arraySize * 6 : desc.arraySize;

    ClearGlErrors();
    GLuint name = 0;
    glCreateTextures(target, 1, &name);
    if (name == 0)
        return nullptr;
    const auto levels = static_cast<GLsizei>(desc.mipLevels);
    const GLenum internal = desc.format.internalFormat;
    switch (target) {
        case GL_TEXTURE_1D:
            glTextureStorage1D(name, levels, internal, desc.width);
            break;
        case GL_TEXTURE_1D_ARRAY:
            glTextureStorage2D(name, levels, internal, desc.width, layers);
            break;
        case GL_TEXTURE_2D:
        case GL_TEXTURE_CUBE_MAP:
            glTextureStorage2D(name, levels, internal, desc.width, desc.height);
            break;
        case GL_TEXTURE_2D_ARRAY:
        case GL_TEXTURE_CUBE_MAP_ARRAY:
            glTextureStorage3D(name, levels, internal, desc.width, desc.height, layers);
            break;
        case GL_TEXTURE_3D:
            glTextureStorage3D(name, levels, internal, desc.width, desc.height, desc.depth);
            break;
    }
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &name);
        return nullptr;
    }

    if (!initialData.empty()) {
        const uint32_t expected = (target == GL_TEXTURE_3D ? 1 : layers) * desc.mipLevels;
        if (initialData.size() < expected) {
            glDeleteTextures(1, &name);
            return nullptr;
        }
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        size_t index = 0;
        for (uint32_t layer = 0; layer < (target == GL_TEXTURE_3D ? 1u : layers); ++layer) {
            for (uint32_t level = 0; level < desc.mipLevels; ++level, ++index) {
                if (!UploadSubresource(name, target, desc, layer, level, initialData[index])) {
                    glDeleteTextures(1, &name);
                    return nullptr;
                }
            }
        }
    }
    glTextureParameteriv(name, GL_TEXTURE_SWIZZLE_RGBA, desc.format.swizzle.data());
    glTextureParameteri(name, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(desc.mipLevels - 1));
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &name);
        return nullptr;
    }
    return std::make_shared<Texture>(name, target, desc);
}

std::shared_ptr<ShaderResourceView> CreateShaderResourceView(std::shared_ptr<Texture> texture)
{
    if (!texture)
        return nullptr;
    return std::make_shared<ShaderResourceView>(std::move(texture));
}

std::shared_ptr<ShaderResourceView> CreateShaderResourceView(std::shared_ptr<Buffer> buffer)
{
    if (!buffer)
        return nullptr;
    return std::make_shared<ShaderResourceView>(std::move(buffer));
}

namespace {

// A framebuffer whose colour attachment `attach` sets; null unless it is complete.
template <typename Attach>
std::shared_ptr<RenderTargetView> FramebufferView(std::shared_ptr<Texture> texture, Attach attach)
{
    ClearGlErrors();
    GLuint framebuffer = 0;
    glCreateFramebuffers(1, &framebuffer);
    if (framebuffer == 0)
        return nullptr;
    attach(framebuffer);
    if (glGetError() != GL_NO_ERROR ||
        glCheckNamedFramebufferStatus(framebuffer, GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        glDeleteFramebuffers(1, &framebuffer);
        return nullptr;
    }
    return std::make_shared<RenderTargetView>(framebuffer, std::move(texture));
}

}  // namespace

std::shared_ptr<RenderTargetView> CreateRenderTargetView(std::shared_ptr<Texture> texture)
{
    if (!texture)
        return nullptr;
    const GLuint name = texture->Name();
    return FramebufferView(std::move(texture), [name](GLuint framebuffer) {
        glNamedFramebufferTexture(framebuffer, GL_COLOR_ATTACHMENT0, name, 0);
    });
}

std::shared_ptr<RenderTargetView> CreateRenderTargetView(std::shared_ptr<Texture> texture,
                                                         uint32_t mipLevel, uint32_t layer)
{
    if (!texture || mipLevel >= texture->Desc().mipLevels)
        return nullptr;
    const GLuint name = texture->Name();
    return FramebufferView(std::move(texture), [=](GLuint framebuffer) {
        glNamedFramebufferTextureLayer(framebuffer, GL_COLOR_ATTACHMENT0, name,
                                       static_cast<GLint>(mipLevel), static_cast<GLint>(layer));
    });
}

void GenerateMips(const Texture& texture)
{
    glGenerateTextureMipmap(texture.Name());
}

bool CopyTextureLevel(const Texture& source, const Texture& destination, uint32_t level)
{
    const TextureDesc& desc = source.Desc();
    const uint32_t layers = desc.kind == TextureKind::TextureCube ? desc.arraySize * 6 : 1;
    const auto w = static_cast<GLsizei>(std::max(1u, desc.width >> level));
    const auto h = static_cast<GLsizei>(std::max(1u, desc.height >> level));
    ClearGlErrors();
    glCopyImageSubData(source.Name(), source.Target(), static_cast<GLint>(level), 0, 0, 0,
                       destination.Name(), destination.Target(), static_cast<GLint>(level), 0, 0, 0,
                       w, h, static_cast<GLsizei>(layers));
    return glGetError() == GL_NO_ERROR;
}

bool ReadTextureLayerRgba32F(const Texture& texture, uint32_t level, uint32_t layer,
                             std::vector<float>& texels)
{
    const TextureDesc& desc = texture.Desc();
    const uint32_t w = std::max(1u, desc.width >> level);
    const uint32_t h = std::max(1u, desc.height >> level);
    texels.assign(static_cast<size_t>(w) * h * 4, 0.0f);
    ClearGlErrors();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glGetTextureSubImage(texture.Name(), static_cast<GLint>(level), 0, 0, static_cast<GLint>(layer),
                         static_cast<GLsizei>(w), static_cast<GLsizei>(h), 1, GL_RGBA, GL_FLOAT,
                         static_cast<GLsizei>(texels.size() * sizeof(float)), texels.data());
    return glGetError() == GL_NO_ERROR;
}

void FinishGpuWork()
{
    glFinish();
}

std::shared_ptr<DepthStencilView> CreateDepthStencilView(std::shared_ptr<Texture> texture)
{
    if (!texture)
        return nullptr;
    return std::make_shared<DepthStencilView>(std::move(texture));
}

OwnedName CreateSampler(const SamplerDesc& desc)
{
    ClearGlErrors();
    GLuint sampler = 0;
    glCreateSamplers(1, &sampler);
    if (sampler == 0)
        return {};
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(desc.minFilter));
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(desc.magFilter));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, static_cast<GLint>(desc.wrap));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, static_cast<GLint>(desc.wrap));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, static_cast<GLint>(desc.wrap));
    glSamplerParameterf(sampler, GL_TEXTURE_LOD_BIAS, desc.mipBias);
    glSamplerParameterf(sampler, GL_TEXTURE_MIN_LOD, desc.minLod);
    glSamplerParameterf(sampler, GL_TEXTURE_MAX_LOD, desc.maxLod);
    if (epoxy_has_gl_extension("GL_ARB_texture_filter_anisotropic") || epoxy_gl_version() >= 46)
        glSamplerParameterf(sampler, GL_TEXTURE_MAX_ANISOTROPY, desc.maxAnisotropy);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteSamplers(1, &sampler);
        return {};
    }
    return OwnedName(ObjectKind::Sampler, sampler);
}

bool ReadTextureRgba8(const Texture& texture, std::vector<uint8_t>& pixels)
{
    const TextureDesc& desc = texture.Desc();
    pixels.assign(static_cast<size_t>(desc.width) * desc.height * 4, 0);
    ClearGlErrors();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glGetTextureImage(texture.Name(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                      static_cast<GLsizei>(pixels.size()), pixels.data());
    return glGetError() == GL_NO_ERROR;
}

}  // namespace gpu
