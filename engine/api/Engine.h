// The single engine object behind the exported interface.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/InputState.h"
#include "platform/Log.h"
#include "platform/MessageLevel.h"

class CScene;
class CCamera;
class CGraphicsDevice;
class CRenderTarget;
class CFullscreenQuad;
class CFileWatcher;
class CBaseShader;
class CShaderRegistry;
class CLineRenderer;
class CModelImporter;
class CTextureManager;
struct InterfaceState;

class CEngine {
   public:
    CEngine();
    ~CEngine();
    CEngine(const CEngine&) = delete;
    CEngine& operator=(const CEngine&) = delete;

    float frameTime = 0.0f;
    float totalTime = 0.0f;
    bool rightHandedTangentSpace = false;
    float customShaderValues[5] = {};
    float cubemapParameter = 0.0f;  // degrees
    bool useTexturePacking = true;
    bool videoRecording = false;
    bool videoRecordingAlpha = false;
    // A PNG screenshot asked for (F12, the Display tab) and whether it keeps the sky.
    bool pngScreenshotRequested = false;
    bool pngScreenshotTransparent = false;
    int windowHandle = 0;  // SDL window ID
    std::string customPixelShaderFile;
    std::string customPixelShaderEntry;
    bool showJointsThroughGeometry = false;
    bool animateSequence = false;
    bool attachCameraToCameraJoint = false;
    bool loopAnimation = true;  // the Animation window's "Loop"
    std::atomic<bool> reloadRequested{false};
    // The gizmo, the grid and the debug interface; a headless renderer that never shows
    // them skips loading them.
    bool loadHelperModels = true;
    std::unique_ptr<CGraphicsDevice> device;
    std::unique_ptr<CCamera> camera;
    std::unique_ptr<CScene> scene;
    std::unique_ptr<InputState> input;
    int64_t lastFrameTimeNs = 0;
    // The clock the clips play by, in milliseconds: the tick count's pace, or exactly a
    // frame step per frame while recording video. Negative until the first frame.
    double animationClockMs = -1.0;
    std::unique_ptr<CFileWatcher> fileWatcher;
    std::unique_ptr<CTextureManager> textureManager;
    std::unique_ptr<CRenderTarget> sceneTarget;
    std::unique_ptr<CFullscreenQuad> fullscreenQuad;
    std::unique_ptr<CModelImporter> modelImporter;
    std::unique_ptr<CShaderRegistry> shaders;
    std::unique_ptr<CBaseShader> baseShader;  // reached through shaders->baseShader
    std::unique_ptr<CLineRenderer> lineRenderer;
    std::unique_ptr<InterfaceState> debugInterface;

    // Path of the last model that finished loading with at least one mesh. Written by the
    // model-load thread, read by the window thread: guarded by its own lock.
    std::string ModelPath() const;
    void SetModelPath(std::string path);

    // Loads the model again from its stored path when one is stored and no load runs;
    // clears any deferred reload request. Returns whether a load started.
    bool ReloadModel();

    // Appends to the scene's log; without a scene the message has nowhere to go.
    void ReportMessage(std::string text, MessageLevel level);

   private:
    mutable std::mutex modelPathLock;
    std::string modelPath;
};

// A started device with its context: what every draw, upload and read-back needs.
bool HasGpuContext(const CEngine& engine);

// The process-wide engine pointer; null only before the library's load-time constructor.
CEngine* GetEngine();

// Creates the engine object if there is none (CreateEngineNative).
void CreateEngineObject();

// Reports through the engine's log when there is one (the sink the engine installs).
using platform::ReportMessage;
