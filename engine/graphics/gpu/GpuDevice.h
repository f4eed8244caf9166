// Creation of GPU objects (the Direct3D 11 device's role). Creation is safe on any thread
// whose current GL context shares objects with the main one; framebuffers are created on
// the window thread only, because GL does not share them between contexts.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "graphics/gpu/GpuObjects.h"
#include "graphics/gpu/GpuStates.h"

namespace gpu {

// Initial data of one subresource. Subresources are ordered as Direct3D orders them:
// array slice (cube face) major, mip level minor.
struct SubresourceData {
    const void* data = nullptr;
    uint32_t byteSize = 0;
};

std::shared_ptr<Buffer> CreateBuffer(BufferBinding binding, BufferUsage usage, uint32_t byteSize,
                                     const void* initialData, uint32_t structureStride = 0);

// Null when GL refuses the texture (unsupported size or format) or the data does not fit.
std::shared_ptr<Texture> CreateTexture(const TextureDesc& desc,
                                       std::span<const SubresourceData> initialData = {});

std::shared_ptr<ShaderResourceView> CreateShaderResourceView(std::shared_ptr<Texture> texture);
std::shared_ptr<ShaderResourceView> CreateShaderResourceView(std::shared_ptr<Buffer> buffer);
std::shared_ptr<RenderTargetView> CreateRenderTargetView(std::shared_ptr<Texture> texture);
// One mip level of one layer (a cube face) as the colour target.
std::shared_ptr<RenderTargetView> CreateRenderTargetView(std::shared_ptr<Texture> texture,
                                                         uint32_t mipLevel, uint32_t layer);
std::shared_ptr<DepthStencilView> CreateDepthStencilView(std::shared_ptr<Texture> texture);

// A GL sampler object; name 0 on failure.
OwnedName CreateSampler(const SamplerDesc& desc);

// Number of levels of a full mip chain for the given size.
uint32_t FullMipCount(uint32_t width, uint32_t height, uint32_t depth = 1);

// The formats the device itself creates.
PixelFormat FormatRgba8();
PixelFormat FormatRgba32Float();
PixelFormat FormatDepth32Float();
PixelFormat FormatRgba16Float();
// Half-float texels made from 32-bit float RGB data on upload.
PixelFormat FormatRgba16FloatFromRgb32();

// Fills every lower level of a texture from its top level with a box filter.
void GenerateMips(const Texture& texture);
// Copies one mip level, all layers, between textures of the same size and format.
bool CopyTextureLevel(const Texture& source, const Texture& destination, uint32_t level);
// One layer (cube face) of one level as RGBA floats, top row first.
bool ReadTextureLayerRgba32F(const Texture& texture, uint32_t level, uint32_t layer,
                             std::vector<float>& texels);
// Waits until the GPU has finished all work submitted so far (for timings).
void FinishGpuWork();

// Level 0 of a texture as RGBA8, top row first (the passes render with an upper-left
// origin). False when GL refuses the read.
bool ReadTextureRgba8(const Texture& texture, std::vector<uint8_t>& pixels);

// Clears pending GL errors, so that the next check sees only what follows.
void ClearGlErrors();

}  // namespace gpu
