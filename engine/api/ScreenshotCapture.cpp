#include "api/ScreenshotCapture.h"

#include <vector>

#include "api/Engine.h"
#include "api/FrameDriver.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/RenderTargets.h"
#include "graphics/gpu/GpuDevice.h"
#include "textures/DdsWriter.h"
#include "textures/DxgiFormat.h"
#include "textures/Screenshot.h"
#include "textures/TextureResult.h"

std::string CaptureScreenshot(CEngine& engine, int width, int height)
{
    if (!IsScreenshotSizeValid(width, height) || !HasGpuContext(engine))
        return {};
    CCaptureTarget target;
    target.Create(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    if (!target.viewport) {
        target.Release();
        return {};
    }
    // RenderToCapture sizes the camera's projection for the capture and restores it, the
    // targets and the viewport afterwards.
    RenderToCapture(engine, target);

    std::vector<uint8_t> pixels;
    std::string fileName;
    if (gpu::ReadTextureRgba8(*target.texture, pixels)) {
        fileName = ScreenshotFileNameNow();
        const int32_t result =
            WriteDdsFile(fileName, DXGI_FORMAT_R8G8B8A8_UNORM, static_cast<uint32_t>(width),
                         static_cast<uint32_t>(height), static_cast<uint64_t>(width) * 4, pixels);
        if (result != texture_result::Ok)
            fileName.clear();
    }
    target.Release();
    if (!fileName.empty())
        engine.ReportMessage("Screenshot saved to: " + fileName, MessageLevelInfo);
    return fileName;
}
