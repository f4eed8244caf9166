// Off-screen colour targets: the floating-point scene target every frame is drawn into,
// and the capture target a screenshot renders into.
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/gpu/GpuObjects.h"
#include "graphics/gpu/GpuStates.h"

// RGBA32F colour, one mip level, usable as render target and shader resource.
class CRenderTarget {
   public:
    bool Create(uint32_t width, uint32_t height);
    void Release();

    std::shared_ptr<gpu::Texture> texture;
    std::shared_ptr<gpu::RenderTargetView> targetView;
    std::shared_ptr<gpu::ShaderResourceView> resourceView;
};

// RGBA8 colour with a full mip chain plus its own D32F depth. A failing step leaves the
// later fields empty.
class CCaptureTarget {
   public:
    void Create(uint32_t width, uint32_t height);
    void Release();

    std::shared_ptr<gpu::Texture> texture;
    std::shared_ptr<gpu::ShaderResourceView> resourceView;
    std::shared_ptr<gpu::RenderTargetView> targetView;
    std::shared_ptr<gpu::Texture> depthTexture;
    std::shared_ptr<gpu::DepthStencilView> depthView;
    std::unique_ptr<gpu::Viewport> viewport;
};
