#include "SnapRenderer.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "animation/AnimationQueries.h"
#include "api/Engine.h"
#include "api/FrameDriver.h"
#include "api/public/vornis_engine.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/RenderTargets.h"
#include "graphics/gpu/GpuDevice.h"
#include "math/Transforms.h"
#include "models/ModelNode.h"
#include "scene/Camera.h"
#include "scene/ModelFraming.h"
#include "scene/Scene.h"

namespace {

// A model file may be large; a hostile one may make the importer grind. Give up eventually.
constexpr auto kLoadTimeout = std::chrono::minutes(5);

bool WaitForLoad(CScene& scene)
{
    const auto start = std::chrono::steady_clock::now();
    while (scene.IsLoadPending()) {
        const auto waited = std::chrono::steady_clock::now() - start;
        if (waited > kLoadTimeout)
            return false;
        // Small files load in milliseconds, where a fine poll keeps batches quick; a large
        // one takes seconds, which a thousand wake-ups a second would only slow down.
        std::this_thread::sleep_for(
            std::chrono::milliseconds(waited < std::chrono::milliseconds(200) ? 1 : 10));
    }
    return true;
}

// The pose the focus animation would end in, taken at once.
void FinishFocus(CCamera& camera)
{
    if (!camera.focusActive)
        return;
    camera.panX = camera.focusPanX;
    camera.panY = camera.focusPanY;
    camera.zoom = camera.focusZoom;
    camera.focusActive = false;
    camera.focusProgress = 0.0f;
}

// A picture gets one look: every mesh in it, with a little room around, through a longer
// lens than the viewer's. At 90 degrees the camera comes so close to fill the picture that
// a box shows little more than its nearest face.
constexpr float kPictureMargin = 0.06f;
constexpr int kPictureFieldOfView = 45;

void FrameWholeModel(CScene& scene, CCamera& camera)
{
    camera.SetFieldOfView(kPictureFieldOfView);
    // The sky seen through the same lens, as its start-up projection is made.
    camera.skyProjection =
        PerspectiveProjection(static_cast<float>(camera.width), static_cast<float>(camera.height),
                              static_cast<float>(kPictureFieldOfView), 0.1f, 20000.0f);
    std::vector<Float3> positions;
    scene.WithModel([&](CModelNode* model) {
        if (model)
            positions = DrawnPositions(*model);
    });
    const std::optional<FramingPose> pose =
        FramePoints(positions, camera.ViewRotation(), camera.projection.m[0][0],
                    camera.projection.m[1][1], kPictureMargin, camera.nearPlane * 2.0f);
    if (!pose)
        return;
    camera.panX = pose->panX;
    camera.panY = pose->panY;
    camera.zoom = pose->zoom;
    // A large model must not reach past the far plane.
    if (pose->farthest * 1.5f > camera.farPlane)
        camera.projection =
            camera.Projection(static_cast<float>(camera.width), static_cast<float>(camera.height),
                              camera.fieldOfView, camera.nearPlane, pose->farthest * 1.5f);
}

std::string LastEngineMessage(CScene& scene, size_t firstEntry)
{
    for (const auto& entry : scene.log.EntriesFrom(firstEntry))
        if (entry.level == MessageLevelError)
            return entry.text;
    return "the model holds nothing to draw";
}

bool ReadBackBuffer(CGraphicsDevice& device, SnapImage& image)
{
    if (!device.backBuffer)
        return false;
    image.width = static_cast<int>(device.width);
    image.height = static_cast<int>(device.height);
    if (!gpu::ReadTextureRgba8(*device.backBuffer, image.rgba))
        return false;
    for (size_t i = 3; i < image.rgba.size(); i += 4)
        image.rgba[i] = 255;
    return true;
}

// Makes what the model leaves uncovered transparent. The scene drawn once more into a
// capture target, which starts cleared to alpha 0 and is drawn without sky, gizmo, grid
// or light and without advancing time, tells which pixels the model covers.
bool ClearUncoveredPixels(CEngine& engine, SnapImage& image)
{
    CCaptureTarget target;
    target.Create(static_cast<uint32_t>(image.width), static_cast<uint32_t>(image.height));
    std::vector<uint8_t> coverage;
    bool read = false;
    if (target.viewport) {
        RenderToCapture(engine, target);
        read = gpu::ReadTextureRgba8(*target.texture, coverage) &&
               coverage.size() == image.rgba.size();
    }
    target.Release();
    if (!read)
        return false;
    for (size_t i = 0; i < image.rgba.size(); i += 4) {
        // Any drawn pixel counts as covered: a material's alpha is not its opacity in the
        // viewer's opaque pass.
        if (coverage[i + 3] == 0)
            std::fill_n(&image.rgba[i], 4, 0);
    }
    return true;
}

}  // namespace

// Prints how long each phase took, when asked to.
class PhaseTimer {
   public:
    explicit PhaseTimer(bool enabled) : enabled(enabled) {}
    void Done(const char* phase)
    {
        const auto now = std::chrono::steady_clock::now();
        if (enabled)
            std::fprintf(stderr, "%-24s %8.1f ms\n", phase,
                         std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
    }

   private:
    bool enabled;
    std::chrono::steady_clock::time_point last = std::chrono::steady_clock::now();
};

SnapSession::SnapSession(const SnapOptions& options) : options(options) {}

SnapSession::~SnapSession() = default;

bool SnapSession::Start(std::string& error)
{
    PhaseTimer timer(options.printTimings);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        error = std::string("no video driver: ") + SDL_GetError();
        return false;
    }
    SDL_Window* window =
        SDL_CreateWindow("vornis-snap", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                         options.width, options.height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) {
        error = std::string("no window: ") + SDL_GetError();
        return false;
    }
    CreateEngineNative();
    // Pictures show the model alone: the gizmo and the grid are not even loaded.
    GetEngine()->loadHelperModels = false;
    if (int code =
            InitEngine(static_cast<int>(SDL_GetWindowID(window)), options.width, options.height);
        code != 0) {
        error = "the engine did not start (code " + std::to_string(code) + ")";
        return false;
    }
    // The targets already have the picture's size; a resize (as the viewer's host does right
    // after start-up) only adds the depth-off state, which only the skeleton display draws
    // with, and costs as much as the model's frame on a software renderer.
    if (options.showSkeleton)
        ResizeEngine(options.width, options.height);
    timer.Done("engine start-up");
    CEngine& engine = *GetEngine();
    CScene& scene = *engine.scene;
    if (!options.skyPath.empty()) {
        // The engine takes relative texture names as its own data paths; the user means
        // the working directory.
        const std::string sky = std::filesystem::absolute(options.skyPath).string();
        const TextureRecord* before = scene.cubeMap.get();
        const size_t skyEntries = scene.log.Count();
        SetSkyBoxTexture(sky.c_str());
        if (scene.cubeMap.get() == before) {
            // A file that could not be read says so in the log; any other is no cube map.
            error = "cannot use " + options.skyPath + " as sky (not a cube map)";
            for (const auto& entry : scene.log.EntriesFrom(skyEntries))
                if (entry.level == MessageLevelError)
                    error = entry.text;
            return false;
        }
    }
    RenderSkyBox(options.showSky);
    SetPhotoMode(true);
    // Every picture starts from here, so that a model looks the same wherever it stands
    // in a batch.
    startCamera = std::make_unique<CCamera>(*engine.camera);
    startTime = engine.totalTime;
    return true;
}

bool SnapSession::Render(const std::string& modelPath, SnapImage& image, std::string& error)
{
    PhaseTimer timer(options.printTimings);
    CEngine* running = GetEngine();
    if (!running || !running->scene || !startCamera) {
        error = "the engine is not running";
        return false;
    }
    CEngine& engine = *running;
    CScene& scene = *engine.scene;
    // The model before goes first: a failed load must not leave it in the picture, and two
    // large models at once may not fit.
    scene.ReleaseModel();
    *engine.camera = *startCamera;
    engine.totalTime = startTime;

    const size_t firstEntry = scene.log.Count();
    LoadModel(modelPath.c_str());
    if (!WaitForLoad(scene)) {
        error = "loading the model took too long";
        return false;
    }
    timer.Done("model import");
    // A model whose meshes were all refused (no vertices, for instance) would give a picture
    // of nothing; say why instead.
    bool drawable = false;
    scene.WithModel([&](CModelNode* model) {
        std::vector<CMeshObject*> meshes;
        if (model)
            model->CollectMeshObjects(meshes);
        for (const CMeshObject* mesh : meshes)
            drawable |= mesh->IsDrawable();
    });
    if (!drawable) {
        error = LastEngineMessage(scene, firstEntry);
        return false;
    }
    ShowOnly(options.viewName.c_str());

    // Frame the model and turn the light to the camera's side as the viewer's next frame
    // would, take the end pose of the framing motion at once (then frame every mesh, unless
    // the viewer's rule is asked for), and render one frame without the viewer's helpers,
    // lit by the light (a viewer's frame draws with the light of the frame before).
    scene.FrameLoadedModel();
    FinishFocus(*engine.camera);
    if (options.frameWholeModel)
        FrameWholeModel(scene, *engine.camera);
    // The frame's own clock step adds nothing to a clock that starts with it.
    if (options.clipTime)
        scene.WithModel([&](CModelNode* model) {
            if (model)
                SetAnimationTime(*model, *options.clipTime);
        });
    engine.showJointsThroughGeometry = options.showSkeleton;
    SetLightOrientationToCamera();
    scene.UpdateLight();
    scene.SetLightConstants();
    ComposeFrame(engine, true);
    timer.Done("model frame");
    if (!ReadBackBuffer(*engine.device, image)) {
        error = "could not read the rendered frame back";
        return false;
    }
    timer.Done("read-back");
    if (options.transparent) {
        if (!ClearUncoveredPixels(engine, image)) {
            error = "could not find which pixels the model covers";
            return false;
        }
        timer.Done("coverage");
    }
    return true;
}

bool RenderSnapshot(const SnapOptions& options, const std::string& modelPath, SnapImage& image,
                    std::string& error)
{
    SnapSession session(options);
    return session.Start(error) && session.Render(modelPath, image, error);
}
