// Turns decoded images into GPU textures with a shader-resource view. Call with a GL
// context current that shares objects with the main one (the window thread, or a load
// thread inside CGraphicsDevice::UploadScope).
#pragma once

#include <cstdint>
#include <span>

#include "graphics/gpu/GpuForward.h"
#include "textures/DdsImage.h"
#include "textures/ExrImage.h"
#include "textures/TargaImage.h"

struct DdsTextureView {
    int32_t result = 0;  // texture_result code
    ShaderResourceViewPtr view;
};

// Texels go up as the file holds them. When GL refuses a texture with several mips, the
// levels above the device's size cap are dropped and creation is tried once more.
DdsTextureView CreateDdsTexture(const DdsImage& image);

// A 2D RGBA8 texture from width x height texels (bytes R, G, B, A, top row first).
// `mipLevels` 0 asks for the full chain, whose lower levels are generated from level 0.
ShaderResourceViewPtr CreateRgba8Texture(uint32_t width, uint32_t height,
                                         std::span<const uint32_t> texels, uint32_t mipLevels);

// Null for an image without pixels.
ShaderResourceViewPtr CreateTargaTexture(const TargaImage& image);

// Full mip chain, generated from the image.
ShaderResourceViewPtr CreateExrTexture(const ExrImage& image);

// A cube of 4 x 4 texels per face, every texel (red, green, blue, 255).
ShaderResourceViewPtr CreateSolidCubeTexture(uint8_t red, uint8_t green, uint8_t blue);

// Width and height of level 0 of the view's texture; (0, 0) without one.
void ViewSize(const ShaderResourceViewPtr& view, float size[2]);
