// Fixed-function state records, applied by the context with the matching GL calls.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>

namespace gpu {

struct StencilFaceOps {
    GLenum failOp = GL_KEEP;
    GLenum depthFailOp = GL_KEEP;
    GLenum passOp = GL_KEEP;
    GLenum func = GL_ALWAYS;
};

struct DepthStencilState {
    bool depthEnable = true;
    bool depthWrite = true;
    GLenum depthFunc = GL_LESS;
    bool stencilEnable = false;
    uint8_t stencilReadMask = 0xFF;
    uint8_t stencilWriteMask = 0xFF;
    StencilFaceOps front;
    StencilFaceOps back;
};

enum class FillMode { Solid, Wireframe };
enum class CullMode { None, Front, Back };

struct RasterizerState {
    FillMode fill = FillMode::Solid;
    CullMode cull = CullMode::None;
    bool frontCounterClockwise = false;
    float depthBias = 0.0f;
    float depthBiasClamp = 0.0f;
    float slopeScaledDepthBias = 0.0f;
    bool depthClip = true;
    bool scissor = false;
    bool multisample = false;
    bool antialiasedLines = false;
};

struct BlendTarget {
    bool enable = false;
    GLenum srcColor = GL_ONE;
    GLenum dstColor = GL_ZERO;
    GLenum colorOp = GL_FUNC_ADD;
    GLenum srcAlpha = GL_ONE;
    GLenum dstAlpha = GL_ZERO;
    GLenum alphaOp = GL_FUNC_ADD;
    uint8_t writeMask = 0xF;
};

struct BlendState {
    bool alphaToCoverage = false;
    bool independentBlend = false;
    BlendTarget target0;
};

struct SamplerDesc {
    GLenum minFilter = GL_LINEAR_MIPMAP_LINEAR;
    GLenum magFilter = GL_LINEAR;
    GLenum wrap = GL_REPEAT;
    float mipBias = 0.0f;
    float maxAnisotropy = 1.0f;
    float minLod = 0.0f;
    float maxLod = 3.402823466e+38f;
};

// Top-left x, top-left y, width, height, minimum depth, maximum depth.
struct Viewport {
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    float minDepth = 0.0f;
    float maxDepth = 1.0f;
};

}  // namespace gpu
