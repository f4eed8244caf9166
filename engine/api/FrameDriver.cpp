#include "api/FrameDriver.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "api/Engine.h"
#include "api/PngScreenshotCapture.h"
#include "graphics/FullscreenQuad.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/RenderStateGuard.h"
#include "graphics/RenderTargets.h"
#include "graphics/gpu/PassTimer.h"
#include "platform/Clock.h"
#include "platform/FileWatcher.h"
#include "scene/Camera.h"
#include "scene/CameraView.h"
#include "scene/Scene.h"
#include "shaders/BaseShader.h"
#include "shaders/VertexVariants.h"
#include "textures/TextureManager.h"
#include "textures/TextureRecord.h"
#include "ui/InterfaceFrame.h"
#include "ui/InterfaceSetup.h"
#include "ui/InterfaceState.h"

namespace {

void DispatchFileChanges(CEngine& engine)
{
    // Textures that load threads loaded are watched from here on; material textures made
    // from values follow the packing the shaders are built with.
    if (engine.textureManager) {
        engine.textureManager->RegisterQueuedWatches();
        engine.textureManager->FollowTexturePacking(engine.useTexturePacking);
    }
    if (engine.fileWatcher)
        engine.fileWatcher->DispatchChanges();
}

void UpdateCamera(CEngine& engine, float frameTime, bool capture)
{
    // Drags and clicks that the interface uses must not also turn the camera or the light.
    if (engine.input)
        engine.input->pointerHeldByInterface =
            !capture && engine.debugInterface && InterfaceHoldsPointer(*engine.debugInterface);
    if (engine.camera && engine.input)
        engine.camera->Update(frameTime, *engine.input, engine.attachCameraToCameraJoint);
}

void DrawScene(CEngine& engine, float frameTime, bool capture)
{
    if (!engine.scene)
        return;
    // A reload asked for since the last frame (the model file changed) starts here, and
    // the frame draws nothing of the scene.
    if (engine.reloadRequested.exchange(false)) {
        engine.ReloadModel();
        return;
    }
    SceneDrawOptions options;
    options.showJointsThroughGeometry = engine.showJointsThroughGeometry;
    options.animateSequence = engine.animateSequence;
    options.followCameraJoint = engine.attachCameraToCameraJoint;
    options.loopClips = engine.loopAnimation;
    options.clockMs = static_cast<uint64_t>(std::llround(engine.animationClockMs));
    engine.scene->Draw(frameTime, capture, options);
}

void DrawDebugInterface(CEngine& engine)
{
    if (engine.debugInterface)
        DrawInterface(engine, *engine.debugInterface);
}

CFullscreenQuad::ExtraViews SceneExtraViews(const CEngine& engine)
{
    CFullscreenQuad::ExtraViews views{};
    if (!engine.scene)
        return views;
    for (size_t i = 0; i < views.size(); ++i) {
        const TextureHandle& texture = engine.scene->extraTextures[i].texture;
        views[i] = texture ? texture->view.get() : nullptr;
    }
    return views;
}

// Selects and binds the "FullscreenQuad" pixel shader and the vertex variant of format
// 0x0400 with the pass's constants. Without compiled shaders there is nothing to select.
bool BindFullscreenShaders(CEngine& engine)
{
    CBaseShader* shader = engine.baseShader.get();
    if (!shader || !shader->SelectPixelShader("FullscreenQuad"))
        return false;
    shader->SelectVertexFormat(VertexFullscreenQuad);
    const DrawView view = ViewOrIdentity(engine.camera.get());
    return shader->BindForDraw(Matrix4::Identity(), &view, 0);
}

}  // namespace

bool DrawFullscreenPass(CEngine& engine, const std::shared_ptr<gpu::ShaderResourceView>& sceneView,
                        const CFullscreenQuad::ExtraViews& extraViews)
{
    if (!engine.fullscreenQuad || !HasGpuContext(engine) || !BindFullscreenShaders(engine))
        return false;
    CGraphicsDevice& device = *engine.device;
    // It writes every pixel with alpha 1 whatever the depth: no blend and, once the host's
    // resize has made the depth-off state, no depth test (see ComposeFrame).
    RenderStateGuard state(device);
    state.SetOpaqueBlend();
    state.SetDepthStencil(device.depthOff.get());
    engine.fullscreenQuad->Draw(*device.context, sceneView, extraViews);
    return true;
}

void AdvanceAnimationClock(CEngine& engine, int64_t deltaNs)
{
    if (engine.animationClockMs < 0.0)
        engine.animationClockMs = static_cast<double>(platform::TickCountMilliseconds());
    else if (engine.videoRecording)
        engine.animationClockMs += 1000.0 / 60.0;  // the recording frame step, exactly
    else if (deltaNs > 0)
        engine.animationClockMs += static_cast<double>(deltaNs) / 1e6;
}

float FrameTimeFromDelta(int64_t deltaNs, bool videoRecording)
{
    if (videoRecording)
        return kMaxFrameTime;
    const float milliseconds = static_cast<float>(static_cast<double>(deltaNs) / 1e6);
    return std::min(milliseconds * 0.001f, kMaxFrameTime);
}

void BeginSceneTarget(CEngine& engine)
{
    CGraphicsDevice& device = *engine.device;
    if (!engine.sceneTarget || !engine.sceneTarget->targetView)
        return;
    device.context->SetRenderTarget(engine.sceneTarget->targetView, device.depthView);
    // The sky, drawn first, covers every pixel with alpha 1: clearing the colour under it
    // would only cost a write of the whole target. A frame that starts a reload draws
    // nothing, not even the sky, and a sky that cannot be drawn (its shader failed to
    // compile) would leave the earlier frames on screen.
    const bool skyCoversTarget =
        engine.scene && engine.scene->SkyCoversTarget() && !engine.reloadRequested;
    if (!skyCoversTarget) {
        const float colour[4] = {device.clearColor[0], device.clearColor[1], device.clearColor[2],
                                 1.0f};
        device.context->ClearRenderTarget(*engine.sceneTarget->targetView, colour);
    }
    if (device.depthView)
        device.context->ClearDepth(*device.depthView, 1.0f);
}

bool ComposeFrame(CEngine& engine, bool capture)
{
    // Nothing is drawn before start-up has created the device and the file watcher.
    if (!HasGpuContext(engine) || !engine.fileWatcher)
        return false;
    CGraphicsDevice& device = *engine.device;
    gpu::Context& context = *device.context;
    gpu::ReleaseQueuedObjects();

    context.SetViewport({0.0f, 0.0f, static_cast<float>(device.width),
                         static_cast<float>(device.height), 0.0f, 1.0f});
    DispatchFileChanges(engine);

    const int64_t now = platform::MonotonicNanoseconds();
    const int64_t delta = now - engine.lastFrameTimeNs;
    engine.lastFrameTimeNs = now;
    const float frameTime = FrameTimeFromDelta(delta, engine.videoRecording);
    AdvanceAnimationClock(engine, delta);

    UpdateCamera(engine, frameTime, capture);
    gpu::MarkPass("frame start");
    BeginSceneTarget(engine);
    gpu::MarkPass("scene target clear");
    DrawScene(engine, frameTime, capture);

    // With the depth test off for the fullscreen pass the scene's depth needs no clearing
    // under it. Before the host's first resize there is no depth-off state, and the pass
    // tests against a cleared depth buffer instead.
    if (device.depthView && !device.depthOff)
        context.ClearDepth(*device.depthView, 1.0f);
    gpu::MarkPass("depth clear");

    RenderStateGuard state(device);
    state.SetRenderMode(0);
    if (device.backBufferView)
        context.SetRenderTarget(device.backBufferView, device.depthView);
    // The fullscreen pass writes every pixel: no clear under it.
    bool drawn = false;
    if (engine.fullscreenQuad && engine.sceneTarget)
        drawn =
            DrawFullscreenPass(engine, engine.sceneTarget->resourceView, SceneExtraViews(engine));
    // Without it (no compiled shaders) the picture is the background colour.
    if (!drawn && device.backBufferView)
        context.ClearRenderTarget(*device.backBufferView, device.clearColor);
    gpu::MarkPass("fullscreen pass");

    engine.frameTime = frameTime;
    engine.totalTime += frameTime;
    return true;
}

void RenderFrame(CEngine& engine)
{
    if (!ComposeFrame(engine, false))
        return;
    SaveRequestedScreenshot(engine);
    CGraphicsDevice& device = *engine.device;
    // The debug interface draws in the fullscreen pass's render mode (solid).
    RenderStateGuard state(device);
    state.SetRenderMode(0);
    device.PresentBackBuffer();
    gpu::MarkPass("present copy");
    DrawDebugInterface(engine);
    gpu::MarkPass("interface");
    SDL_GL_SwapWindow(device.window);
    gpu::MarkPass("swap");
}

void RenderToCapture(CEngine& engine, CCaptureTarget& target)
{
    if (!HasGpuContext(engine) || !target.targetView || !target.viewport)
        return;
    gpu::Context& context = *engine.device->context;
    const float transparent[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    context.ClearRenderTarget(*target.targetView, transparent);
    context.ClearDepth(*target.depthView, 1.0f);

    const gpu::Viewport savedViewport = context.CurrentViewport();
    const auto savedColour = context.BoundRenderTarget();
    const auto savedDepth = context.BoundDepthStencil();

    // The camera's projection follows the capture's size for this one frame.
    std::optional<CCamera> savedCamera;
    if (engine.camera) {
        savedCamera = *engine.camera;
        engine.camera->Resize(static_cast<uint32_t>(target.viewport->width),
                              static_cast<uint32_t>(target.viewport->height));
    }
    context.SetViewport(*target.viewport);
    context.SetRenderTarget(target.targetView, target.depthView);
    DrawScene(engine, 0.0f, true);
    if (savedCamera) {
        engine.camera->width = savedCamera->width;
        engine.camera->height = savedCamera->height;
        engine.camera->projection = savedCamera->projection;
    }

    context.SetRenderTarget(savedColour, savedDepth);
    context.SetViewport(savedViewport);
}
