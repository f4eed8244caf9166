// The graphics device: the GL context on the host's window, the back buffer, the shared
// depth buffer and the fixed pipeline states every pass binds.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "graphics/gpu/GpuContext.h"
#include "graphics/gpu/GpuDevice.h"

struct SDL_Window;
using SDL_GLContext = void*;

// InitEngine's device failure codes.
enum DeviceResult : uint32_t {
    DeviceOk = 0,
    DeviceNoContext = 1,
    DeviceFeatureLevel = 2,
    DeviceBackBuffer = 3,
    DeviceBackBufferView = 4,
    DeviceDepthTexture = 5,
    DeviceDepthTestWrite = 6,
    DeviceDepthTestReadOnly = 7,
    DeviceDepthView = 8,
    DeviceSolidRasterizer = 9,
    DeviceWireframeRasterizer = 10,
    DeviceAlphaBlend = 11,
    DeviceOpaqueBlend = 12,
    DeviceZeroSize = 666,
};

class CGraphicsDevice {
   public:
    CGraphicsDevice();
    ~CGraphicsDevice();
    CGraphicsDevice(const CGraphicsDevice&) = delete;
    CGraphicsDevice& operator=(const CGraphicsDevice&) = delete;

    // Creates the context on the window (SDL window ID) and everything that depends on it.
    uint32_t CreateDevice(int window, uint32_t width, uint32_t height);
    void Resize(uint32_t width, uint32_t height);

    // Shows the back buffer in the window.
    void PresentBackBuffer();

    // On the window thread, once every other owner of GPU objects is gone: releases the
    // device's own objects, deletes every queued name, then the upload context, its hidden
    // window and the main context. Returns what is still alive (nothing, unless an owner
    // outlived the engine's sub-objects).
    gpu::LiveObjects Shutdown();

    float clearColor[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    SDL_Window* window = nullptr;
    SDL_GLContext glContext = nullptr;
    std::unique_ptr<gpu::Context> context;
    std::shared_ptr<gpu::Texture> backBuffer;
    std::shared_ptr<gpu::RenderTargetView> backBufferView;
    gpu::OwnedName linearSampler;
    std::shared_ptr<gpu::Texture> depthTexture;
    std::unique_ptr<gpu::DepthStencilState> depthTestWrite;
    std::unique_ptr<gpu::DepthStencilState> depthTestReadOnly;
    std::unique_ptr<gpu::DepthStencilState> depthOff;
    std::shared_ptr<gpu::DepthStencilView> depthView;
    std::unique_ptr<gpu::RasterizerState> solidRasterizer;
    std::unique_ptr<gpu::RasterizerState> wireframeRasterizer;
    std::unique_ptr<gpu::BlendState> alphaBlend;
    std::unique_ptr<gpu::BlendState> opaqueBlend;
    uint32_t videoMemoryMB = 0;
    std::string adapterDescription;
    bool vsync = false;
    std::unique_ptr<gpu::Viewport> fullViewport;
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t renderMode = 0;

    // Binds the rasterizer state of a render mode: 0 solid, 1 wireframe, others nothing.
    void BindRasterizerForMode(int32_t mode);

    // Waits, with the upload context current, until everything created in it is complete;
    // false when the driver does not finish within its time limit. Tests replace it.
    std::function<bool()> finishUploads;

    // Upload scopes on the calling thread whose work never finished: a load that sees
    // this grow must not show what it uploaded.
    static uint32_t FailedUploadsOnThisThread();

    // A GL context shared with the main one, for model-load threads that create textures
    // and buffers. Only one thread at a time may hold it.
    class UploadScope {
       public:
        explicit UploadScope(CGraphicsDevice& device);
        ~UploadScope();
        UploadScope(const UploadScope&) = delete;
        UploadScope& operator=(const UploadScope&) = delete;
        bool Active() const { return active; }

       private:
        CGraphicsDevice& device;
        std::unique_lock<std::mutex> lock;
        bool active = false;
    };

   private:
    void SurveyAdapter();
    void CreateUploadContext();
    void DeleteContexts();
    std::pair<uint32_t, uint32_t> BackBufferSize() const;
    bool CreateBackBuffer();
    uint32_t CreateDepthStates();

    SDL_Window* uploadWindow = nullptr;
    SDL_GLContext uploadContext = nullptr;
    std::mutex uploadLock;
};

// Texture units that the shaders read; the linear sampler is bound to each of them.
inline constexpr uint32_t kSampledTextureUnits = 17;
