// Render state changed for the span of a scope: the render mode with its rasterizer, the
// depth-stencil state and the blend state. Each setter remembers what was in force before
// the guard first changed it; the destructor puts that back, however the scope ends. The
// render mode comes back with its own rasterizer (see SetRenderMode), so a mode other than
// 0 and 1, which binds nothing when it is set, is drawn solid after any pass that forced
// another mode.
#pragma once

#include <cstdint>
#include <optional>

#include "graphics/gpu/GpuStates.h"

class CGraphicsDevice;

class RenderStateGuard {
   public:
    explicit RenderStateGuard(CGraphicsDevice& device) : device(device) {}
    ~RenderStateGuard();
    RenderStateGuard(const RenderStateGuard&) = delete;
    RenderStateGuard& operator=(const RenderStateGuard&) = delete;

    // Stores the render mode in the device and binds its rasterizer: wireframe for 1,
    // solid for every other value.
    void SetRenderMode(int32_t mode);
    // A state not created yet (null) leaves the bound one in place.
    void SetDepthStencil(const gpu::DepthStencilState* state);
    // Blending off, for draws whose every fragment has alpha 1 (the sky, the fullscreen
    // pass): the usual source-alpha blend gives exactly the source colour there, but still
    // reads the target for every fragment.
    void SetOpaqueBlend();
    // Any other rasterizer or blend state, put back like the others.
    void SetRasterizer(const gpu::RasterizerState& state);
    void SetBlend(const gpu::BlendState* state);

   private:
    void BindMode(int32_t mode);

    CGraphicsDevice& device;
    std::optional<int32_t> savedMode;
    std::optional<gpu::DepthStencilState> savedDepthStencil;
    std::optional<gpu::BlendState> savedBlend;
    std::optional<gpu::RasterizerState> savedRasterizer;
};
