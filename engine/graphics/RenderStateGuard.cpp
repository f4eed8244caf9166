#include "graphics/RenderStateGuard.h"

#include "graphics/GraphicsDevice.h"

namespace {
// Every depth-stencil state of the engine uses this reference.
constexpr uint32_t kStencilReference = 1;
// None of the engine's blend states reads the blend factor.
constexpr float kNoBlendFactor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
constexpr uint32_t kAllSamples = 0xFFFFFFFFu;
}  // namespace

RenderStateGuard::~RenderStateGuard()
{
    if (savedRasterizer && device.context)
        device.context->SetRasterizerState(*savedRasterizer);
    if (savedBlend && device.context)
        device.context->SetBlendState(*savedBlend, kNoBlendFactor, kAllSamples);
    if (savedDepthStencil && device.context)
        device.context->SetDepthStencilState(*savedDepthStencil, kStencilReference);
    if (savedMode)
        BindMode(*savedMode);
}

void RenderStateGuard::SetRenderMode(int32_t mode)
{
    if (!savedMode)
        savedMode = device.renderMode;
    BindMode(mode);
}

void RenderStateGuard::BindMode(int32_t mode)
{
    device.renderMode = mode;
    const gpu::RasterizerState* state =
        mode == 1 ? device.wireframeRasterizer.get() : device.solidRasterizer.get();
    if (device.context && state)
        device.context->SetRasterizerState(*state);
}

void RenderStateGuard::SetDepthStencil(const gpu::DepthStencilState* state)
{
    if (!device.context || !state)
        return;
    if (!savedDepthStencil)
        savedDepthStencil = device.context->CurrentDepthStencilState();
    device.context->SetDepthStencilState(*state, kStencilReference);
}

void RenderStateGuard::SetOpaqueBlend()
{
    SetBlend(device.opaqueBlend.get());
}

void RenderStateGuard::SetBlend(const gpu::BlendState* state)
{
    if (!device.context || !state)
        return;
    if (!savedBlend)
        savedBlend = device.context->CurrentBlendState();
    device.context->SetBlendState(*state, kNoBlendFactor, kAllSamples);
}

void RenderStateGuard::SetRasterizer(const gpu::RasterizerState& state)
{
    if (!device.context)
        return;
    if (!savedRasterizer)
        savedRasterizer = device.context->CurrentRasterizerState();
    device.context->SetRasterizerState(state);
}
