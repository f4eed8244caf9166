#include "api/EngineStartup.h"

#include "api/Engine.h"
#include "platform/Clock.h"
#include "scene/Scene.h"

namespace {

// Each step below is one step of the start-up order. Steps whose subsystem is not part of
// the engine yet do nothing and report nothing: they never pretend to succeed at work
// they did not do.

void CreateModelImporter(CEngine&) {}

void CreateGraphicsDeviceObject(CEngine&) {}

void CreateSubsystemObjects(CEngine& engine)
{
    engine.input = std::make_unique<InputState>();
}

int CreateGraphicsDevice(CEngine&, int width, int height)
{
    return 0;
}

void CreateFileWatcher(CEngine&) {}

void CreateDefaultTextures(CEngine&) {}

void CreateScene(CEngine& engine)
{
    engine.scene = std::make_unique<CScene>();
}

void CompileShaders(CEngine&) {}

void SetUpCamera(CEngine&, int width, int height) {}

void InitDebugInterface(CEngine&) {}

void InitLineRenderer(CEngine&) {}

void CreateSceneTarget(CEngine&, int width, int height) {}

void CreateFullscreenQuad(CEngine&) {}

}  // namespace

int StartEngine(CEngine& engine, int window, int width, int height)
{
    engine.windowHandle = window;
    CreateModelImporter(engine);
    CreateGraphicsDeviceObject(engine);
    CreateSubsystemObjects(engine);
    if (int code = CreateGraphicsDevice(engine, width, height); code != 0)
        return code;
    CreateFileWatcher(engine);
    CreateDefaultTextures(engine);
    CreateScene(engine);
    engine.ReportMessage("Welcome to Vornis!", MessageLevelInfo);
    CompileShaders(engine);
    SetUpCamera(engine, width, height);
    InitDebugInterface(engine);
    InitLineRenderer(engine);
    engine.lastFrameTimeNs = platform::MonotonicNanoseconds();
    CreateSceneTarget(engine, width, height);
    CreateFullscreenQuad(engine);
    return 0;
}

void ResizeEngineObjects(CEngine& engine, int width, int height) {}

void RenderFrame(CEngine& engine) {}

int64_t ForwardEventToDebugInterface(CEngine& engine, unsigned eventType, int64_t eventAddress)
{
    return 0;
}
