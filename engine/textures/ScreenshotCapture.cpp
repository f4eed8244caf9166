#include "textures/ScreenshotCapture.h"

#include <epoxy/gl.h>

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

namespace {

// Level 0 as RGBA8, top row first (our passes render with an upper-left origin).
bool ReadBackRgba8(const gpu::Texture& texture, std::vector<uint8_t>& pixels)
{
    const gpu::TextureDesc& desc = texture.Desc();
    pixels.assign(static_cast<size_t>(desc.width) * desc.height * 4, 0);
    gpu::ClearGlErrors();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glGetTextureImage(texture.Name(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                      static_cast<GLsizei>(pixels.size()), pixels.data());
    return glGetError() == GL_NO_ERROR;
}

}  // namespace

std::string CaptureScreenshot(CEngine& engine, int width, int height)
{
    if (!IsScreenshotSizeValid(width, height) || !engine.device || !engine.device->context)
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
    if (ReadBackRgba8(*target.texture, pixels)) {
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
