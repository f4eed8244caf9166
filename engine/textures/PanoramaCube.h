// The sky cube map made from an equirectangular panorama on the GPU: each face drawn from
// the panorama, then each lower mip filtered for rough reflections the way the bundled DDS
// skies are baked (mip m of n holds the sky seen through a GGX lobe of roughness
// m / (n - 1), which is how the shaders choose a level).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/gpu/GpuForward.h"

namespace gpu {
class Context;
}
class CBaseShader;
struct PanoramaImage;

inline constexpr uint32_t kMaxPanoramaFaceSize = 1024;

struct PanoramaCubePlan {
    uint32_t faceSize = 1;      // a power of two: a quarter of the panorama's width, at most 1024
    uint32_t mipCount = 1;      // down to 1 x 1
    uint32_t panoramaTaps = 1;  // per axis and face texel, where the panorama is finer
    // GGX alpha each level is filtered with, straight from the top level ([0] is unused).
    std::vector<float> lobeAlpha;
};

PanoramaCubePlan PlanPanoramaCube(uint32_t panoramaWidth);

struct PanoramaCube {
    ShaderResourceViewPtr view;  // null on failure, with `error` saying why
    uint32_t mipCount = 0;
    std::string error;
};

// Window thread, with the main context current and the shader object built. Leaves the
// context's target, viewport and states as it found them.
PanoramaCube RenderPanoramaCube(const PanoramaImage& image, CBaseShader& shader,
                                gpu::Context& context);
