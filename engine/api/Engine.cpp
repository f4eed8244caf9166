#include "api/Engine.h"

#include "graphics/FullscreenQuad.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/RenderTargets.h"
#include "models/ModelImporter.h"
#include "platform/FileWatcher.h"
#include "scene/Camera.h"
#include "scene/Scene.h"
#include "shaders/BaseShader.h"
#include "shaders/LineRenderer.h"
#include "shaders/ShaderRegistry.h"
#include "textures/TextureManager.h"
#include "ui/InterfaceState.h"

namespace {
std::atomic<CEngine*> engineInstance{nullptr};
}

CEngine::CEngine() = default;
CEngine::~CEngine() = default;

std::string CEngine::ModelPath() const
{
    std::lock_guard<std::mutex> lock(modelPathLock);
    return modelPath;
}

void CEngine::SetModelPath(std::string path)
{
    std::lock_guard<std::mutex> lock(modelPathLock);
    modelPath = std::move(path);
}

bool CEngine::ReloadModel()
{
    if (!scene)
        return false;
    reloadRequested = false;
    const std::string path = ModelPath();
    if (path.empty() || scene->IsLoadPending() || !modelImporter)
        return false;
    scene->LoadModel(path, *modelImporter);
    return true;
}

void CEngine::ReportMessage(std::string text, MessageLevel level)
{
    if (scene)
        scene->ReportMessage(std::move(text), level);
}

bool HasGpuContext(const CEngine& engine)
{
    return engine.device && engine.device->context;
}

CEngine* GetEngine()
{
    return engineInstance.load(std::memory_order_acquire);
}

void CreateEngineObject()
{
    if (engineInstance.load(std::memory_order_acquire))
        return;
    auto* engine = new CEngine();
    CEngine* expected = nullptr;
    if (!engineInstance.compare_exchange_strong(expected, engine))
        delete engine;
}

namespace {

// The log sink of every layer: the engine's message log when there is one.
void ReportToEngine(std::string text, MessageLevel level)
{
    if (CEngine* engine = GetEngine())
        engine->ReportMessage(std::move(text), level);
}

}  // namespace

// The library creates its engine as soon as it is loaded, so that every export finds it.
__attribute__((constructor)) static void CreateEngineAtLoad()
{
    CreateEngineObject();
    platform::SetLogSink(ReportToEngine);
}
