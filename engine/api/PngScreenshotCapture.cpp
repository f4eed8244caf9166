#include "api/PngScreenshotCapture.h"

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "api/Engine.h"
#include "api/FrameDriver.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/RenderTargets.h"
#include "graphics/gpu/GpuDevice.h"
#include "platform/PicturesFolder.h"
#include "scene/Scene.h"
#include "textures/PngScreenshot.h"

namespace {

// Alpha 0 where the model leaves the view uncovered: the scene drawn once more without
// the sky into a target cleared to alpha 0 (a capture draws no grid, gizmo or light).
bool ClearUncovered(CEngine& engine, int width, int height, std::vector<uint8_t>& rgba)
{
    CCaptureTarget target;
    target.Create(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    std::vector<uint8_t> coverage;
    bool read = false;
    if (target.viewport && engine.scene) {
        const bool sky = engine.scene->renderSkybox;
        engine.scene->renderSkybox = false;
        RenderToCapture(engine, target);
        engine.scene->renderSkybox = sky;
        read = gpu::ReadTextureRgba8(*target.texture, coverage);
    }
    target.Release();
    if (!read || coverage.size() != rgba.size())
        return false;
    for (size_t i = 0; i < rgba.size(); i += 4)
        if (coverage[i + 3] == 0)
            std::fill_n(&rgba[i], 4, 0);
    return true;
}

}  // namespace

void NoteScreenshotKey(CEngine& engine, const SDL_Event& event)
{
    if (event.type == SDL_KEYDOWN && event.key.keysym.scancode == SDL_SCANCODE_F12 &&
        !event.key.repeat)
        engine.pngScreenshotRequested = true;
}

std::filesystem::path SaveRequestedScreenshot(CEngine& engine)
{
    if (!engine.pngScreenshotRequested || !HasGpuContext(engine))
        return {};
    engine.pngScreenshotRequested = false;
    CGraphicsDevice& device = *engine.device;
    std::vector<uint8_t> rgba;
    if (!device.backBuffer || !gpu::ReadTextureRgba8(*device.backBuffer, rgba)) {
        engine.ReportMessage("Screenshot not saved: the frame could not be read back",
                             MessageLevelError);
        return {};
    }
    // The picture has the back buffer's size, the window's drawable size, which may differ
    // from the engine's width and height on a scaled display.
    const int width = static_cast<int>(device.backBuffer->Desc().width);
    const int height = static_cast<int>(device.backBuffer->Desc().height);
    for (size_t i = 3; i < rgba.size(); i += 4)
        rgba[i] = 255;
    if (engine.pngScreenshotTransparent && !ClearUncovered(engine, width, height, rgba)) {
        engine.ReportMessage("Screenshot not saved: no coverage of the model", MessageLevelError);
        return {};
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::string error;
    const std::filesystem::path written =
        WriteNewPng(platform::PicturesFolder(), PngScreenshotName(engine.ModelPath(), local), width,
                    height, rgba, error);
    if (written.empty())
        engine.ReportMessage("Screenshot not saved: " + error, MessageLevelError);
    else
        engine.ReportMessage("Screenshot saved to: " + written.string(), MessageLevelInfo);
    return written;
}
