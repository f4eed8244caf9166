// Blending off for the span of a draw whose every fragment has alpha 1 (the sky, the
// fullscreen pass): the usual source-alpha blend gives exactly the source colour there,
// but still reads the target for every fragment.
#pragma once

#include "graphics/GraphicsDevice.h"
#include "graphics/gpu/GpuContext.h"

class ScopedOpaqueBlend {
   public:
    explicit ScopedOpaqueBlend(CGraphicsDevice& device) : device(device)
    {
        if (device.context && device.opaqueBlend && device.alphaBlend)
            device.context->SetBlendState(*device.opaqueBlend, kNoBlendFactor, 0xFFFFFFFFu);
    }
    ~ScopedOpaqueBlend()
    {
        if (device.context && device.opaqueBlend && device.alphaBlend)
            device.context->SetBlendState(*device.alphaBlend, kNoBlendFactor, 0xFFFFFFFFu);
    }
    ScopedOpaqueBlend(const ScopedOpaqueBlend&) = delete;
    ScopedOpaqueBlend& operator=(const ScopedOpaqueBlend&) = delete;

   private:
    static constexpr float kNoBlendFactor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    CGraphicsDevice& device;
};
