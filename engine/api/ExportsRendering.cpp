// Exports of rendering options, images, messages and the particle interface.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include "api/Engine.h"
#include "api/ScreenshotCapture.h"
#include "api/public/vornis_engine.h"
#include "graphics/GraphicsDevice.h"
#include "platform/Paths.h"
#include "scene/Scene.h"
#include "textures/DroppedImageQuestion.h"
#include "ui/InterfaceState.h"

namespace {

CEngine* EngineWithScene()
{
    CEngine* engine = GetEngine();
    return engine && engine->scene ? engine : nullptr;
}

}  // namespace

VORNIS_API void SetRenderMode(int mode)
{
    CEngine* engine = GetEngine();
    if (!engine || !HasGpuContext(*engine))
        return;
    engine->device->renderMode = mode;
    engine->device->BindRasterizerForMode(mode);
}

VORNIS_API void SetCustomShaderValues(float a, float b, float c, float d, float e)
{
    if (CEngine* engine = EngineWithScene()) {
        engine->customShaderValues[0] = a;
        engine->customShaderValues[1] = b;
        engine->customShaderValues[2] = c;
        engine->customShaderValues[3] = d;
        engine->customShaderValues[4] = e;
    }
}

// Texture packing is chosen through the debug interface; VR was never part of the viewer.
VORNIS_API void SetUseTexturePacking(bool /*on*/) {}

VORNIS_API void EnableVR(bool /*on*/) {}

VORNIS_API void AskEngineAboutImage(const char16_t* path)
{
    CEngine* engine = GetEngine();
    if (!engine || !engine->debugInterface || !path)
        return;
    std::optional<std::filesystem::path> name = platform::WideNameToPath(path);
    if (!name) {
        engine->ReportMessage("Cannot open a dropped image: its name is not valid UTF-16",
                              MessageLevelError);
        return;
    }
    AskAboutDroppedImage(engine->debugInterface->droppedImage, std::move(*name));
}

VORNIS_API void TakeScreenshot(int width, int height)
{
    if (CEngine* engine = EngineWithScene())
        CaptureScreenshot(*engine, width, height);
}

VORNIS_API void GetErrorString(char16_t* buffer)
{
    if (!buffer)
        return;
    CEngine* engine = EngineWithScene();
    if (!engine) {
        buffer[0] = 0;
        return;
    }
    // The copy is taken under the log lock: a load thread may be reporting right now.
    const std::string message = engine->scene->log.LastMessage();
    for (size_t i = 0; i < message.size(); ++i)
        buffer[i] = static_cast<unsigned char>(message[i]);
    buffer[message.size()] = 0;
}

VORNIS_API int GetErrorResult()
{
    CEngine* engine = EngineWithScene();
    return engine ? static_cast<int>(engine->scene->log.LastMessageLevel()) : 0;
}

VORNIS_API void ToggleVideoRecording(bool on)
{
    if (CEngine* engine = EngineWithScene())
        engine->videoRecording = on;
}

VORNIS_API void SetVideoRecordingAlpha(bool on)
{
    if (CEngine* engine = EngineWithScene())
        engine->videoRecordingAlpha = on;
}

// The particle interface has no emitter behind it: the state it would fill is never
// created, so these calls have no effect.
VORNIS_API void FeedParticleData(const void* /*record*/) {}

VORNIS_API void FeedParticleTexture(const char* /*path*/) {}

VORNIS_API void DoBurstParticle(uint64_t /*unused*/, int /*count*/) {}

VORNIS_API void SetBurstParticle(bool /*on*/) {}
