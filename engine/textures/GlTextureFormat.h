// How a DXGI format is uploaded to OpenGL. Needs no context: only the enums are used.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <optional>

struct GlTextureFormat {
    GLenum internalFormat = 0;
    GLenum format = 0;  // pixel-transfer format; unused for compressed data
    GLenum type = 0;    // pixel-transfer type; unused for compressed data
    bool compressed = false;
    // GL_TEXTURE_SWIZZLE_RGBA to apply after creation; only set when `hasSwizzle`.
    bool hasSwizzle = false;
    GLint swizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
};

// Nothing for formats with no GL equivalent (typeless, depth, video and palette formats):
// those textures are unsupported formats.
std::optional<GlTextureFormat> LookupGlTextureFormat(uint32_t dxgiFormat);
