// The graphics device, the scene target and the frame driver on a real GL context.
#include <gtest/gtest.h>

#include <cstdlib>

#include "api/Engine.h"
#include "api/FrameDriver.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/RenderStateGuard.h"
#include "graphics/RenderTargets.h"
#include "graphics/gpu/GpuContext.h"
#include "graphics/gpu/GpuDevice.h"
#include "platform/Clock.h"
#include "support/EngineWindow.h"

using testing_support::ReadTextureRgba8;
using testing_support::StartEngine;
using testing_support::TextureSize;

namespace {

GLint Integer(GLenum name)
{
    GLint value[4] = {};
    glGetIntegerv(name, value);
    return value[0];
}

}  // namespace

// A zero size or an unknown window gets no context, and a frame without one draws nothing.
TEST(DeviceStartup, ZeroSizeOrAnUnknownWindowIsRefusedAndNothingIsDrawn)
{
    EXPECT_EQ(StartEngine(0, 600), 666);
    EXPECT_EQ(InitEngine(1, 800, 0), 666);
    EXPECT_EQ(InitEngine(987654, 64, 64), 1);
    CEngine& engine = *GetEngine();
    ASSERT_NE(engine.device, nullptr);
    EXPECT_EQ(engine.device->context, nullptr);
    EXPECT_EQ(engine.device->backBufferView, nullptr);
    Present();
    Present();
    EXPECT_EQ(engine.frameTime + engine.totalTime, 0.0f);
}

// The states as bound at start-up: depth test and write, solid fill, alpha blending; then a
// resize reaches every size-dependent object, and depthOff comes with it.
TEST(DeviceResize, StartUpStatesThenEverySizeDependentObjectTakesTheNewSize)
{
    SDL_Window* window = nullptr;
    ASSERT_EQ(StartEngine(320, 200, &window), 0);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabledi(GL_BLEND, 0));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    const std::vector<GLint> states = {Integer(GL_DEPTH_WRITEMASK), Integer(GL_DEPTH_FUNC),
                                       Integer(GL_POLYGON_MODE),    Integer(GL_FRONT_FACE),
                                       Integer(GL_BLEND_SRC_RGB),   Integer(GL_CLIP_ORIGIN)};
    EXPECT_EQ(states,
              (std::vector<GLint>{GL_TRUE, GL_LESS, GL_FILL, GL_CW, GL_SRC_ALPHA, GL_UPPER_LEFT}));
    EXPECT_EQ(GetEngine()->device->depthOff, nullptr);

    SDL_SetWindowSize(window, 500, 300);
    ResizeEngine(500, 300);
    CEngine& engine = *GetEngine();
    CGraphicsDevice& device = *engine.device;
    for (GLuint texture : {device.depthTexture->Name(), engine.sceneTarget->texture->Name(),
                           device.backBuffer->Name()}) {
        std::pair<int, int> size;
        TextureSize(texture, size.first, size.second);
        EXPECT_EQ(size, std::pair(500, 300));
    }
    ASSERT_TRUE(device.depthOff);
    EXPECT_FALSE(device.depthOff->depthEnable || device.depthOff->depthWrite);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::pair(viewport[2], viewport[3]), std::pair(500, 300));
    // Both colour targets share the one depth texture.
    Present();
    GLint attached = 0;
    glGetNamedFramebufferAttachmentParameteriv(engine.sceneTarget->targetView->Framebuffer(),
                                               GL_DEPTH_ATTACHMENT,
                                               GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &attached);
    EXPECT_EQ(static_cast<GLuint>(attached), device.depthTexture->Name());
}

TEST(FrameDriver, FrameTimeIsCappedAtOneSixtiethOfASecond)
{
    EXPECT_FLOAT_EQ(FrameTimeFromDelta(5'000'000, false), 0.005f);
    ASSERT_EQ(StartEngine(64, 64), 0);
    CEngine& engine = *GetEngine();
    engine.lastFrameTimeNs = platform::MonotonicNanoseconds() - 500'000'000;
    Present();
    EXPECT_EQ(engine.frameTime, 0.016666668f);
    EXPECT_EQ(engine.totalTime, 0.016666668f);

    engine.videoRecording = true;
    for (int i = 0; i < 3; ++i)
        Present();
    EXPECT_EQ(engine.frameTime, 0.016666668f);
    EXPECT_FLOAT_EQ(engine.totalTime, 4 * 0.016666668f);
}

TEST(FrameDriver, ClearColourReachesTheWindowThroughToneMapping)
{
    ASSERT_EQ(StartEngine(96, 64), 0);
    ResizeEngine(96, 64);
    SetBackgroundColor(255, 0, 0);
    Present();
    // The corner holds only background: tone-mapped red, fully opaque.
    auto pixels = ReadTextureRgba8(GetEngine()->device->backBuffer->Name(), 96, 64);
    EXPECT_GT(pixels[0], 200);
    EXPECT_EQ(std::vector<int>(pixels.begin() + 1, pixels.begin() + 4),
              (std::vector<int>{0, 0, 255}));

    // The window itself shows the presented image.
    uint8_t windowPixel[4] = {};
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadPixels(0, 63, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, windowPixel);
    EXPECT_EQ(windowPixel[0], pixels[0]);
}

TEST(RenderStateGuard, PutsBackTheFirstSavedStateOfWhatItChanged)
{
    ASSERT_EQ(StartEngine(64, 64), 0);
    ResizeEngine(64, 64);
    CGraphicsDevice& device = *GetEngine()->device;
    device.context->SetDepthStencilState(*device.depthTestReadOnly, 1);
    {
        RenderStateGuard outer(device);
        outer.SetDepthStencil(device.depthOff.get());
        outer.SetDepthStencil(device.depthTestWrite.get());
        {
            RenderStateGuard inner(device);
            inner.SetOpaqueBlend();
            inner.SetDepthStencil(nullptr);  // a state not created yet changes nothing
            EXPECT_FALSE(glIsEnabledi(GL_BLEND, 0));
        }
        EXPECT_TRUE(glIsEnabledi(GL_BLEND, 0));
        EXPECT_EQ(Integer(GL_DEPTH_WRITEMASK), GL_TRUE);
    }
    EXPECT_EQ(Integer(GL_DEPTH_WRITEMASK), GL_FALSE);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

TEST(FrameDriver, CaptureFrameLeavesTargetsAndViewportAsTheyWere)
{
    ASSERT_EQ(StartEngine(64, 48), 0);
    ResizeEngine(64, 48);
    CEngine& engine = *GetEngine();
    gpu::Context& context = *engine.device->context;
    const auto colourBefore = context.BoundRenderTarget();
    const auto depthBefore = context.BoundDepthStencil();

    CCaptureTarget capture;
    capture.Create(20, 10);
    ASSERT_TRUE(capture.viewport);

    RenderToCapture(engine, capture);
    EXPECT_EQ(context.BoundRenderTarget(), colourBefore);
    EXPECT_EQ(context.BoundDepthStencil(), depthBefore);
    EXPECT_EQ(std::pair(context.CurrentViewport().width, context.CurrentViewport().height),
              std::pair(64.0f, 48.0f));
    // Cleared to transparent black.
    EXPECT_EQ(ReadTextureRgba8(capture.texture->Name(), 20, 10), std::vector<uint8_t>(20 * 10 * 4));
}

TEST(GpuObjects, ReleasedObjectsAreDeletedByTheWindowThread)
{
    ASSERT_EQ(StartEngine(32, 32), 0);
    gpu::ReleaseQueuedObjects();
    gpu::TextureDesc desc;
    desc.width = desc.height = 8;
    desc.format = gpu::FormatRgba8();
    const GLuint name = gpu::CreateTexture(desc)->Name();
    EXPECT_TRUE(glIsTexture(name));
    EXPECT_EQ(gpu::QueuedReleaseCount(), 1u);
    Present();
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_EQ(gpu::QueuedReleaseCount(), 0u);
}

// Drivers hand a deleted texture's name to the next texture they make: a framebuffer that
// remembered its depth attachment by name alone would keep the deleted texture attached.
TEST(GpuObjects, AFramebufferTakesEachNewDepthTextureWhateverItsName)
{
    // Mesa reuses names only when asked to.
    setenv("force_gl_names_reuse", "true", 1);
    ASSERT_EQ(StartEngine(32, 32), 0);
    gpu::Context& context = *GetEngine()->device->context;
    auto texture = [](gpu::PixelFormat format) {
        gpu::TextureDesc desc;
        desc.width = desc.height = 4;
        desc.format = format;
        return gpu::CreateTexture(desc);
    };
    auto depthOf = [&](float value) {
        auto view = gpu::CreateDepthStencilView(texture(gpu::FormatDepth32Float()));
        context.ClearDepth(*view, value);
        return view;
    };
    const auto target = gpu::CreateRenderTargetView(texture(gpu::FormatRgba8()));
    for (float value : {0.25f, 0.75f}) {
        context.SetRenderTarget(target, depthOf(value));
        float depth = 0.0f;
        glReadPixels(0, 0, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        EXPECT_EQ(depth, value);
        // The depth view is gone once nothing binds it; its name may come back next round.
        context.SetRenderTarget(nullptr, nullptr);
        gpu::ReleaseQueuedObjects();
    }
}
