#include "api/EngineStartup.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "animation/AnimationHooks.h"
#include "api/Engine.h"
#include "api/PngScreenshotCapture.h"
#include "graphics/FullscreenQuad.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/RenderTargets.h"
#include "models/ModelImporter.h"
#include "platform/Clock.h"
#include "platform/FileWatcher.h"
#include "platform/MessageBox.h"
#include "scene/Camera.h"
#include "scene/Scene.h"
#include "shaders/BaseShader.h"
#include "shaders/LineRenderer.h"
#include "shaders/ShaderRegistry.h"
#include "textures/TextureManager.h"
#include "ui/InterfaceSetup.h"
#include "ui/InterfaceState.h"

namespace {

// Each step below is one step of the start-up order. Steps whose subsystem is not part of
// the engine yet do nothing and report nothing: they never pretend to succeed at work
// they did not do.

void CreateModelImporter(CEngine& engine)
{
    engine.modelImporter = std::make_unique<CModelImporter>();
    // Animation files go to the model the scene shows, under its lock.
    engine.modelImporter->shownModel = [&engine](const std::function<void(CModelNode*)>& use) {
        if (engine.scene)
            engine.scene->WithModel(use);
        else
            use(nullptr);
    };
}

void CreateGraphicsDeviceObject(CEngine& engine)
{
    engine.device = std::make_unique<CGraphicsDevice>();
}

void CreateSubsystemObjects(CEngine& engine)
{
    engine.camera = std::make_unique<CCamera>();
    engine.shaders = std::make_unique<CShaderRegistry>();
    engine.textureManager = std::make_unique<CTextureManager>();
    engine.input = std::make_unique<InputState>();
    engine.debugInterface = std::make_unique<InterfaceState>();
    engine.lineRenderer = std::make_unique<CLineRenderer>();
}

int CreateGraphicsDevice(CEngine& engine, int window, int width, int height)
{
    if (width <= 0 || height <= 0)
        return DeviceZeroSize;
    return static_cast<int>(engine.device->CreateDevice(window, static_cast<uint32_t>(width),
                                                        static_cast<uint32_t>(height)));
}

void CreateFileWatcher(CEngine& engine)
{
    engine.fileWatcher = std::make_unique<CFileWatcher>(true, [&engine](const std::string& text) {
        engine.ReportMessage(text, MessageLevelError);
    });
}

void CreateDefaultTextures(CEngine& engine)
{
    engine.textureManager->CreateDefaultTextures(engine.device.get(), engine.fileWatcher.get());
    engine.modelImporter->textureSource = &engine.textureManager->ModelSource();
    engine.textureManager->SetPanoramaConverter([&engine](const PanoramaImage& image) {
        if (!engine.baseShader || !engine.baseShader->initialised || !HasGpuContext(engine))
            return PanoramaCube{nullptr, 0, "the shaders are not built yet"};
        return RenderPanoramaCube(image, *engine.baseShader, *engine.device->context);
    });
}

ShaderFrameValues FrameValuesOf(const CEngine& engine)
{
    ShaderFrameValues values;
    std::copy(std::begin(engine.customShaderValues), std::end(engine.customShaderValues),
              values.customShaderValues);
    values.totalTime = engine.totalTime;
    values.rightHandedTangentSpace = engine.rightHandedTangentSpace;
    values.cubemapParameterDegrees = engine.cubemapParameter;
    values.width = engine.device ? static_cast<int>(engine.device->width) : 0;
    values.height = engine.device ? static_cast<int>(engine.device->height) : 0;
    return values;
}

ShaderBuildSettings BuildSettingsOf(const CEngine& engine)
{
    return {engine.useTexturePacking, engine.customPixelShaderFile, engine.customPixelShaderEntry};
}

// The animation side reports through the engine and loads its marker models with the
// engine's importer; the importer has its hooks before any model can load.
void InstallAnimation(CEngine& engine)
{
    AnimationServices services;
    services.reports.error = [](const std::string& text) {
        ReportMessage(text, MessageLevelError);
    };
    services.reports.messageBox = [](const std::string& title, const std::string& text) {
        platform::ShowMessageBox(title, text, platform::MessageBoxIcon::Warning);
    };
    services.importer = engine.modelImporter.get();
    engine.modelImporter->animationHooks = MakeAnimationHooks(services);
}

void CreateScene(CEngine& engine)
{
    engine.scene = std::make_unique<CScene>();
    ConnectScene(engine, *engine.scene);
    engine.scene->Init(*engine.modelImporter, engine.loadHelperModels);
}

void CompileShaders(CEngine& engine)
{
    engine.baseShader = std::make_unique<CBaseShader>();
    CBaseShader& shader = *engine.baseShader;
    shader.context = engine.device->context.get();
    shader.fileWatcher = engine.fileWatcher.get();
    shader.frameValues = [&engine] { return FrameValuesOf(engine); };
    shader.buildSettings = [&engine] { return BuildSettingsOf(engine); };
    shader.linkOnFirstUse = true;
    shader.Initialise("shaders/VertexShaders.fx", true);
    engine.shaders->baseShader = engine.baseShader.get();
    engine.scene->shader = engine.baseShader.get();
    engine.shaders->CompileAll(*engine.baseShader, false);
    shader.linkOnFirstUse = false;
    engine.baseShader->SelectPixelShader("PBL Default");
}

void SetUpCamera(CEngine& engine, int width, int height)
{
    engine.camera->StartUp(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
}

void InitDebugInterface(CEngine& engine)
{
    InitInterface(engine, *engine.debugInterface);
}

void InitLineRenderer(CEngine& engine)
{
    engine.lineRenderer->Initialise();
    engine.lineRenderer->CreateVertexBuffer();
}

void CreateSceneTarget(CEngine& engine, int width, int height)
{
    engine.sceneTarget = std::make_unique<CRenderTarget>();
    engine.sceneTarget->Create(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
}

void CreateFullscreenQuad(CEngine& engine)
{
    engine.fullscreenQuad = std::make_unique<CFullscreenQuad>();
    engine.fullscreenQuad->Create();
}

}  // namespace

void ConnectScene(CEngine& engine, CScene& scene)
{
    scene.camera = engine.camera.get();
    scene.device = engine.device.get();
    scene.input = engine.input.get();
    scene.fileWatcher = engine.fileWatcher.get();
    scene.lines = engine.lineRenderer.get();
    scene.shader = engine.baseShader.get();
    scene.textureSource = engine.textureManager ? &engine.textureManager->ModelSource() : nullptr;
    scene.modelShown = [&engine](const std::string& path) { engine.SetModelPath(path); };
    scene.requestReload = [&engine] { engine.reloadRequested = true; };
}

int StartEngine(CEngine& engine, int window, int width, int height)
{
    // A second start: the engine made before goes first, in order. Its loads use the
    // importer, the texture manager and the scene that are about to be made again.
    if (engine.device)
        ShutdownEngine(engine);
    engine.windowHandle = window;
    CreateModelImporter(engine);
    CreateGraphicsDeviceObject(engine);
    CreateSubsystemObjects(engine);
    if (int code = CreateGraphicsDevice(engine, window, width, height); code != 0)
        return code;
    CreateFileWatcher(engine);
    CreateDefaultTextures(engine);
    InstallAnimation(engine);
    CreateScene(engine);
    engine.ReportMessage("Welcome to Vornis!", MessageLevelInfo);
    CompileShaders(engine);
    engine.scene->LoadFirstSky();
    SetUpCamera(engine, width, height);
    // A headless renderer never draws the interface: its font atlas is not even built.
    if (engine.loadHelperModels)
        InitDebugInterface(engine);
    InitLineRenderer(engine);
    engine.lastFrameTimeNs = platform::MonotonicNanoseconds();
    CreateSceneTarget(engine, width, height);
    CreateFullscreenQuad(engine);
    return 0;
}

size_t ShutdownEngine(CEngine& engine)
{
    if (!engine.device)
        return 0;
    // Load threads use the watcher, the texture manager and the scene's log: they end
    // first. Then the watcher's thread, so that no change arrives for a subsystem going
    // away.
    if (engine.scene)
        engine.scene->WaitForLoads();
    engine.fileWatcher.reset();
    if (engine.debugInterface)
        ShutdownInterface(*engine.debugInterface);
    engine.scene.reset();
    engine.debugInterface.reset();
    engine.fullscreenQuad.reset();
    engine.sceneTarget.reset();
    engine.lineRenderer.reset();
    if (engine.shaders)
        engine.shaders->baseShader = nullptr;
    engine.baseShader.reset();
    engine.shaders.reset();
    engine.textureManager.reset();
    engine.camera.reset();
    engine.input.reset();
    const gpu::LiveObjects live = engine.device->Shutdown();
    engine.device.reset();
    engine.modelImporter.reset();
    if (live.Total() != 0)
        std::fprintf(stderr, "GPU objects still alive at shutdown: %s\n", live.Describe().c_str());
    return live.Total();
}

void ResizeEngineObjects(CEngine& engine, int width, int height)
{
    if (!engine.sceneTarget || !engine.device || width <= 0 || height <= 0)
        return;
    // The same size (the host's resize right after start-up) keeps the scene image.
    const auto* texture = engine.sceneTarget->texture.get();
    if (!texture || texture->Desc().width != static_cast<uint32_t>(width) ||
        texture->Desc().height != static_cast<uint32_t>(height)) {
        engine.sceneTarget->Release();
        engine.sceneTarget->Create(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    }
    engine.device->Resize(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    if (engine.camera)
        engine.camera->Resize(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
}

int64_t ForwardEventToDebugInterface(CEngine& engine, int64_t eventAddress)
{
    if (!engine.debugInterface || eventAddress == 0)
        return 0;
    const auto* event = reinterpret_cast<const SDL_Event*>(static_cast<intptr_t>(eventAddress));
    NoteScreenshotKey(engine, *event);
    return ForwardInterfaceEvent(*engine.debugInterface, event);
}
