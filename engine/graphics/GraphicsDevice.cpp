#include "graphics/GraphicsDevice.h"

#include <SDL.h>

#include <cstring>

namespace {

gpu::DepthStencilState MakeDepthState(bool depthEnable, bool depthWrite)
{
    gpu::DepthStencilState state;
    state.depthEnable = depthEnable;
    state.depthWrite = depthWrite;
    state.depthFunc = GL_LESS;
    state.stencilEnable = true;
    state.stencilReadMask = 0xFF;
    state.stencilWriteMask = 0xFF;
    state.front = {GL_KEEP, GL_INCR, GL_KEEP, GL_ALWAYS};
    state.back = {GL_KEEP, GL_DECR, GL_KEEP, GL_ALWAYS};
    return state;
}

gpu::BlendState MakeBlendState(bool blend)
{
    gpu::BlendState state;
    state.alphaToCoverage = true;
    state.independentBlend = false;
    state.target0 = {blend,       GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA,
                     GL_FUNC_ADD, GL_ONE,       GL_ZERO,
                     GL_FUNC_ADD, 0xF};
    return state;
}

gpu::RasterizerState MakeRasterizerState(gpu::FillMode fill)
{
    gpu::RasterizerState state;
    state.fill = fill;
    state.cull = gpu::CullMode::None;
    state.frontCounterClockwise = false;
    state.depthClip = true;
    return state;
}

std::shared_ptr<gpu::Texture> CreateDepthTexture(uint32_t width, uint32_t height)
{
    gpu::TextureDesc desc;
    desc.width = width;
    desc.height = height;
    desc.format = gpu::FormatDepth32Float();
    return gpu::CreateTexture(desc);
}

const float kZeroBlendFactor[4] = {0.0f, 0.0f, 0.0f, 0.0f};

// A driver that has not finished uploads in this time is not going to.
constexpr uint64_t kUploadWaitNs = 10'000'000'000ull;

thread_local uint32_t failedUploads = 0;

bool FinishUploads()
{
    GLsync fence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    if (!fence)
        return false;
    const GLenum waited = glClientWaitSync(fence, GL_SYNC_FLUSH_COMMANDS_BIT, kUploadWaitNs);
    glDeleteSync(fence);
    return waited == GL_ALREADY_SIGNALED || waited == GL_CONDITION_SATISFIED;
}

}  // namespace

CGraphicsDevice::CGraphicsDevice() : finishUploads(FinishUploads) {}
CGraphicsDevice::~CGraphicsDevice() = default;

uint32_t CGraphicsDevice::CreateDevice(int windowId, uint32_t newWidth, uint32_t newHeight)
{
    width = newWidth;
    height = newHeight;
    vsync = false;
    if (width == 0 || height == 0)
        return DeviceZeroSize;

    window = SDL_GetWindowFromID(static_cast<Uint32>(windowId));
    if (!window)
        return DeviceNoContext;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
    glContext = SDL_GL_CreateContext(window);
    if (!glContext) {
        // Tell "no OpenGL at all" from "OpenGL below 4.5".
        SDL_GL_ResetAttributes();
        SDL_GLContext probe = SDL_GL_CreateContext(window);
        if (!probe)
            return DeviceNoContext;
        SDL_GL_DeleteContext(probe);
        return DeviceFeatureLevel;
    }
    SDL_GL_MakeCurrent(window, glContext);
    if (epoxy_gl_version() < 45 || epoxy_is_desktop_gl() == 0) {
        // Nothing may keep using a context the engine cannot draw with.
        DeleteContexts();
        return DeviceFeatureLevel;
    }
    SDL_GL_SetSwapInterval(vsync ? 1 : 0);

    SurveyAdapter();
    CreateUploadContext();

    context = std::make_unique<gpu::Context>();
    context->Initialize();

    if (!CreateBackBuffer())
        return backBuffer ? DeviceBackBufferView : DeviceBackBuffer;

    depthTexture = CreateDepthTexture(width, height);
    if (!depthTexture)
        return DeviceDepthTexture;

    depthTestWrite = std::make_unique<gpu::DepthStencilState>(MakeDepthState(true, true));
    depthTestReadOnly = std::make_unique<gpu::DepthStencilState>(MakeDepthState(true, false));
    context->SetDepthStencilState(*depthTestWrite, 1);

    depthView = gpu::CreateDepthStencilView(depthTexture);
    if (!depthView)
        return DeviceDepthView;
    context->SetRenderTarget(backBufferView, depthView);

    solidRasterizer =
        std::make_unique<gpu::RasterizerState>(MakeRasterizerState(gpu::FillMode::Solid));
    wireframeRasterizer =
        std::make_unique<gpu::RasterizerState>(MakeRasterizerState(gpu::FillMode::Wireframe));
    context->SetRasterizerState(*solidRasterizer);

    alphaBlend = std::make_unique<gpu::BlendState>(MakeBlendState(true));
    opaqueBlend = std::make_unique<gpu::BlendState>(MakeBlendState(false));
    context->SetBlendState(*alphaBlend, kZeroBlendFactor, 0xFFFFFFFFu);

    const gpu::Viewport viewport{0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height),
                                 0.0f, 1.0f};
    context->SetViewport(viewport);

    // Anisotropy stays 1: llvmpipe stalls for seconds on some views with more.
    gpu::SamplerDesc samplerDesc;
    linearSampler = gpu::CreateSampler(samplerDesc);
    context->BindSampler(linearSampler.Name(), kSampledTextureUnits);

    fullViewport = std::make_unique<gpu::Viewport>(viewport);
    return DeviceOk;
}

std::pair<uint32_t, uint32_t> CGraphicsDevice::BackBufferSize() const
{
    // The back buffer takes the window's drawable size, like a swap chain's buffers.
    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    return {drawableWidth > 0 ? static_cast<uint32_t>(drawableWidth) : width,
            drawableHeight > 0 ? static_cast<uint32_t>(drawableHeight) : height};
}

bool CGraphicsDevice::CreateBackBuffer()
{
    gpu::TextureDesc desc;
    std::tie(desc.width, desc.height) = BackBufferSize();
    desc.format = gpu::FormatRgba8();
    backBuffer = gpu::CreateTexture(desc);
    if (!backBuffer)
        return false;
    backBufferView = gpu::CreateRenderTargetView(backBuffer);
    return backBufferView != nullptr;
}

void CGraphicsDevice::Resize(uint32_t newWidth, uint32_t newHeight)
{
    width = newWidth;
    height = newHeight;
    if (!context)
        return;
    // The host resizes right after start-up to the size the targets already have: they
    // stay, since a new texture costs a software renderer a write of every byte.
    const bool keepTargets =
        backBufferView && depthView && depthTexture &&
        std::pair(backBuffer->Desc().width, backBuffer->Desc().height) == BackBufferSize() &&
        depthTexture->Desc().width == width && depthTexture->Desc().height == height;
    if (!keepTargets) {
        context->UnbindRenderTargets();
        backBufferView.reset();
        backBuffer.reset();
        depthView.reset();
        CreateBackBuffer();
        depthTexture = CreateDepthTexture(width, height);
        if (!depthTexture)
            return;
    }
    depthTestWrite = std::make_unique<gpu::DepthStencilState>(MakeDepthState(true, true));
    depthTestReadOnly = std::make_unique<gpu::DepthStencilState>(MakeDepthState(true, false));
    depthOff = std::make_unique<gpu::DepthStencilState>(MakeDepthState(false, false));

    context->SetDepthStencilState(*depthTestWrite, 1);
    if (!keepTargets)
        depthView = gpu::CreateDepthStencilView(depthTexture);
    if (!depthView)
        return;
    context->SetRenderTarget(backBufferView, depthView);
    context->SetViewport(
        {0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height), 0.0f, 1.0f});
}

void CGraphicsDevice::PresentBackBuffer()
{
    if (!context || !backBufferView)
        return;
    const gpu::TextureDesc& desc = backBuffer->Desc();
    context->PresentToWindow(*backBufferView, desc.width, desc.height);
}

void CGraphicsDevice::BindRasterizerForMode(int32_t mode)
{
    if (!context)
        return;
    if (mode == 0 && solidRasterizer)
        context->SetRasterizerState(*solidRasterizer);
    else if (mode == 1 && wireframeRasterizer)
        context->SetRasterizerState(*wireframeRasterizer);
}

void CGraphicsDevice::SurveyAdapter()
{
    const auto* vendor = reinterpret_cast<const char*>(glGetString(GL_VENDOR));
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    adapterDescription = std::string(vendor ? vendor : "") + " " + (renderer ? renderer : "");
    videoMemoryMB = 0;
    GLint kilobytes = 0;
    if (epoxy_has_gl_extension("GL_NVX_gpu_memory_info")) {
        glGetIntegerv(GL_GPU_MEMORY_INFO_DEDICATED_VIDMEM_NVX, &kilobytes);
    } else if (epoxy_has_gl_extension("GL_ATI_meminfo")) {
        GLint info[4] = {};
        glGetIntegerv(GL_TEXTURE_FREE_MEMORY_ATI, info);
        kilobytes = info[0];
    }
    if (kilobytes > 0)
        videoMemoryMB = static_cast<uint32_t>(kilobytes) >> 10;
    gpu::ClearGlErrors();
}

void CGraphicsDevice::CreateUploadContext()
{
    uploadWindow = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (uploadWindow) {
        SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
        uploadContext = SDL_GL_CreateContext(uploadWindow);
        SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
    }
    SDL_GL_MakeCurrent(window, glContext);
}

gpu::LiveObjects CGraphicsDevice::Shutdown()
{
    if (glContext) {
        SDL_GL_MakeCurrent(window, glContext);
        if (context)
            context->UnbindRenderTargets();
        context.reset();
        backBufferView.reset();
        backBuffer.reset();
        depthView.reset();
        depthTexture.reset();
        linearSampler.Reset();
        gpu::ReleaseQueuedObjects();
        glFinish();
    }
    DeleteContexts();
    return gpu::LiveObjectCounts();
}

void CGraphicsDevice::DeleteContexts()
{
    // A load thread may still hold the upload context; wait for it to let go.
    std::lock_guard<std::mutex> lock(uploadLock);
    if (uploadContext)
        SDL_GL_DeleteContext(uploadContext);
    uploadContext = nullptr;
    if (uploadWindow)
        SDL_DestroyWindow(uploadWindow);
    uploadWindow = nullptr;
    if (glContext) {
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(glContext);
    }
    glContext = nullptr;
}

CGraphicsDevice::UploadScope::UploadScope(CGraphicsDevice& device)
    : device(device), lock(device.uploadLock)
{
    if (device.uploadContext)
        active = SDL_GL_MakeCurrent(device.uploadWindow, device.uploadContext) == 0;
}

uint32_t CGraphicsDevice::FailedUploadsOnThisThread()
{
    return failedUploads;
}

CGraphicsDevice::UploadScope::~UploadScope()
{
    if (!active)
        return;
    // Everything created under this scope must be complete before another context uses it.
    if (!device.finishUploads || !device.finishUploads())
        ++failedUploads;
    SDL_GL_MakeCurrent(device.uploadWindow, nullptr);
}
