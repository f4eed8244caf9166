// The headless picture's side of the tools' access: the model, the camera, one frame and
// its pixels.
#include "api/tool/ToolAccess.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <thread>

#include "animation/AnimationQueries.h"
#include "api/Engine.h"
#include "api/FrameDriver.h"
#include "api/public/vornis_engine.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/RenderTargets.h"
#include "graphics/gpu/GpuDevice.h"
#include "math/Transforms.h"
#include "models/ImportAhead.h"
#include "models/ModelFileName.h"
#include "models/ModelImporter.h"
#include "models/ModelNode.h"
#include "platform/DebugOutput.h"
#include "platform/Paths.h"
#include "platform/ProcessEnd.h"
#include "scene/Camera.h"
#include "scene/ModelFraming.h"
#include "scene/Scene.h"
#include "shaders/PixelShaderRegistry.h"

namespace tool {

namespace {

CEngine& Engine()
{
    return *GetEngine();
}

CScene& Scene()
{
    return *GetEngine()->scene;
}

}  // namespace

void SkipHelperModels()
{
    Engine().loadHelperModels = false;
}

void ImportModelAhead(const std::string& path)
{
    // Only what LoadModel would import: it refuses other names before any import.
    if (IsModelFileName(path))
        StartImportAhead(path, kModelImportFlags);
}

void SetDebugOutputEnabled(bool enabled)
{
    platform::SetDebugOutputEnabled(enabled);
}

void EndProcess(int code)
{
    platform::EndProcess(code);
}

std::string ProgramDirectory()
{
    return platform::ProgramDirectory().string();
}

std::vector<std::string> ChannelViewNames()
{
    return {ShaderViewNames.begin(), ShaderViewNames.end()};
}

size_t LogMark()
{
    return Scene().log.Count();
}

std::string FirstErrorSince(size_t mark)
{
    for (const auto& entry : Scene().log.EntriesFrom(mark))
        if (entry.level == MessageLevelError)
            return entry.text;
    return {};
}

bool SetSky(const std::string& path, std::string& error)
{
    CScene& scene = Scene();
    const TextureRecord* before = scene.cubeMap.get();
    const size_t mark = scene.log.Count();
    SetSkyBoxTexture(path.c_str());
    if (scene.cubeMap.get() != before)
        return true;
    error = FirstErrorSince(mark);
    return false;
}

struct StartView::State {
    CCamera camera;
    float time = 0.0f;
};

StartView::StartView() : state(std::make_unique<State>(State{*Engine().camera, Engine().totalTime}))
{
}

StartView::~StartView() = default;

void StartView::Restore() const
{
    *Engine().camera = state->camera;
    Engine().totalTime = state->time;
}

void ReleaseModel()
{
    Scene().ReleaseModel();
}

bool WaitForModel(std::chrono::milliseconds timeout)
{
    const CScene& scene = Scene();
    const auto start = std::chrono::steady_clock::now();
    while (scene.IsLoadPending()) {
        const auto waited = std::chrono::steady_clock::now() - start;
        if (waited > timeout)
            return false;
        // Small files load in milliseconds, where a fine poll keeps batches quick; a large
        // one takes seconds, which a thousand wake-ups a second would only slow down.
        std::this_thread::sleep_for(
            std::chrono::milliseconds(waited < std::chrono::milliseconds(200) ? 1 : 10));
    }
    return true;
}

bool ModelIsDrawable()
{
    bool drawable = false;
    Scene().WithModel([&](CModelNode* model) {
        std::vector<CMeshObject*> meshes;
        if (model)
            model->CollectMeshObjects(meshes);
        for (const CMeshObject* mesh : meshes)
            drawable |= mesh->IsDrawable() || mesh->skeletonOnly;
    });
    return drawable;
}

void FrameModelAtOnce()
{
    Scene().FrameLoadedModel();
    CCamera& camera = *Engine().camera;
    if (!camera.focusActive)
        return;
    camera.panX = camera.focusPanX;
    camera.panY = camera.focusPanY;
    camera.zoom = camera.focusZoom;
    camera.focusActive = false;
    camera.focusProgress = 0.0f;
}

namespace {

// The diagonal of the points' box; 0 without points.
float ExtentOf(const std::vector<Float3>& points)
{
    if (points.empty())
        return 0.0f;
    Float3 low = points.front(), high = points.front();
    for (const Float3& p : points)
        for (int axis = 0; axis < 3; ++axis) {
            low[axis] = std::min(low[axis], p[axis]);
            high[axis] = std::max(high[axis], p[axis]);
        }
    const float dx = high[0] - low[0], dy = high[1] - low[1], dz = high[2] - low[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Pans and zooms the camera, keeping its direction, so the points fill the picture but
// `margin`; moves the far plane beyond them.
void PlaceCameraToFrame(const std::vector<Float3>& points, float margin)
{
    CCamera& camera = *Engine().camera;
    const std::optional<FramingPose> pose =
        FramePoints(points, camera.ViewRotation(), camera.projection.m[0][0],
                    camera.projection.m[1][1], margin, camera.nearPlane * 2.0f);
    if (!pose)
        return;
    camera.panX = pose->panX;
    camera.panY = pose->panY;
    camera.zoom = pose->zoom;
    // A large model must not reach past the far plane.
    if (pose->farthest * 1.5f > camera.farPlane)
        camera.SetNearAndFarPlane(camera.nearPlane, pose->farthest * 1.5f);
}

}  // namespace

void FrameWholeModel(int fieldOfView, float margin)
{
    CCamera& camera = *Engine().camera;
    camera.SetFieldOfView(fieldOfView);
    std::vector<Float3> positions;
    Scene().WithModel([&](CModelNode* model) {
        if (model)
            positions = DrawnPositions(*model);
    });
    // Planes for the model's size: a 3 cm bolt must fill the picture like a 3 m car, so
    // the camera may come as close as a small model needs.
    const float size = ExtentOf(positions);
    const CCamera::ClipPlanes planes = CCamera::ClipPlanesFor(size * 1.5f, size);
    camera.SetNearAndFarPlane(planes.nearPlane, planes.farPlane);
    PlaceCameraToFrame(positions, margin);
}

namespace {

// The vertical axis a turntable turns the camera about: the centre of the model's box.
Float3 turntableCentre{0.0f, 0.0f, 0.0f};

Float3 BoxCentre(const std::vector<Float3>& points)
{
    if (points.empty())
        return {0.0f, 0.0f, 0.0f};
    Float3 low = points.front(), high = points.front();
    for (const Float3& p : points)
        for (int axis = 0; axis < 3; ++axis) {
            low[axis] = std::min(low[axis], p[axis]);
            high[axis] = std::max(high[axis], p[axis]);
        }
    return {(low[0] + high[0]) / 2, (low[1] + high[1]) / 2, (low[2] + high[2]) / 2};
}

// Where `p` lies in view space for the camera's current angles, pan and zoom.
Float3 ViewPoint(const CCamera& camera, const Float3& p)
{
    const Matrix4 r = camera.ViewRotation();
    const float distance = camera.zoom * std::fabs(camera.zoom);
    Float3 v{camera.panX, camera.panY, distance};
    for (int column = 0; column < 3; ++column)
        for (int row = 0; row < 3; ++row)
            v[column] += p[row] * r.m[row][column];
    return v;
}

}  // namespace

void FrameTurntable(int fieldOfView, float margin, int turns)
{
    FrameWholeModel(fieldOfView, margin);
    std::vector<Float3> positions;
    Scene().WithModel([&](CModelNode* model) {
        if (model)
            positions = DrawnPositions(*model);
    });
    turntableCentre = BoxCentre(positions);
    // Every side the turn shows must fit: frame the model's points turned to each step.
    const Float3 c = turntableCentre;
    std::vector<Float3> turned;
    const int steps = std::clamp(turns, 4, 32);
    turned.reserve(positions.size() * static_cast<size_t>(steps));
    for (int k = 0; k < steps; ++k) {
        const float a = 2.0f * 3.14159265f * static_cast<float>(k) / static_cast<float>(steps);
        const float cs = std::cos(a), sn = std::sin(a);
        for (const Float3& p : positions) {
            const float x = p[0] - c[0], z = p[2] - c[2];
            turned.push_back({c[0] + x * cs - z * sn, p[1], c[2] + x * sn + z * cs});
        }
    }
    PlaceCameraToFrame(turned, margin);
}

void TurnCameraAboutModel(float radians)
{
    // The model's centre keeps its place in the view while the view turns about the
    // vertical: the camera circles the centre at the same distance.
    CCamera& camera = *Engine().camera;
    const Float3 before = ViewPoint(camera, turntableCentre);
    camera.yaw += radians / kCameraAngleUnit;
    camera.panX = camera.panY = 0.0f;
    camera.zoom = 0.0f;
    const Float3 rotated = ViewPoint(camera, turntableCentre);
    camera.panX = before[0] - rotated[0];
    camera.panY = before[1] - rotated[1];
    const float distance = before[2] - rotated[2];
    camera.zoom = std::copysign(std::sqrt(std::fabs(distance)), distance);
}

void FrameClip(int fieldOfView, float margin, const std::vector<float>& times)
{
    if (times.empty())
        return;
    // The box of every pose: its corners frame the clip without keeping every pose's points.
    constexpr float kUnbounded = std::numeric_limits<float>::max();
    Float3 low{kUnbounded, kUnbounded, kUnbounded}, high{-kUnbounded, -kUnbounded, -kUnbounded};
    for (float time : times) {
        SetClipTime(time);
        Scene().WithModel([&](CModelNode* model) {
            if (!model)
                return;
            for (const Float3& p : DrawnPositions(*model))
                for (int axis = 0; axis < 3; ++axis) {
                    low[axis] = std::min(low[axis], p[axis]);
                    high[axis] = std::max(high[axis], p[axis]);
                }
        });
    }
    const bool any = low[0] <= high[0];
    SetClipTime(times.front());
    FrameWholeModel(fieldOfView, margin);  // lens and planes for the first pose
    if (!any)
        return;
    std::vector<Float3> corners;
    for (int corner = 0; corner < 8; ++corner)
        corners.push_back({corner & 1 ? high[0] : low[0], corner & 2 ? high[1] : low[1],
                           corner & 4 ? high[2] : low[2]});
    CCamera& camera = *Engine().camera;
    const CCamera::ClipPlanes planes =
        CCamera::ClipPlanesFor(ExtentOf(corners) * 1.5f, ExtentOf(corners));
    camera.SetNearAndFarPlane(planes.nearPlane, planes.farPlane);
    PlaceCameraToFrame(corners, margin);
}

void PlayClip(int index)
{
    AddActiveAnimation(index);
}

void SetFixedFrameStep(bool on)
{
    ToggleVideoRecording(on);
}

void SetClipTime(float seconds)
{
    Scene().WithModel([&](CModelNode* model) {
        if (model)
            SetAnimationTime(*model, seconds);
    });
}

void ShowJointsThroughGeometry(bool show)
{
    Engine().showJointsThroughGeometry = show;
}

bool RenderPicture()
{
    // A viewer's frame draws with the light of the frame before; a picture has one frame.
    SetLightOrientationToCamera();
    Scene().UpdateLight();
    Scene().SetLightConstants();
    return ComposeFrame(Engine(), true);
}

bool ReadBackBuffer(Pixels& pixels)
{
    const CGraphicsDevice& device = *Engine().device;
    if (!device.backBuffer)
        return false;
    pixels.width = static_cast<int>(device.width);
    pixels.height = static_cast<int>(device.height);
    if (!gpu::ReadTextureRgba8(*device.backBuffer, pixels.rgba))
        return false;
    for (size_t i = 3; i < pixels.rgba.size(); i += 4)
        pixels.rgba[i] = 255;
    return true;
}

bool RenderCoverage(int width, int height, std::vector<uint8_t>& rgba)
{
    CCaptureTarget target;
    target.Create(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    bool read = false;
    if (target.viewport) {
        RenderToCapture(Engine(), target);
        read = gpu::ReadTextureRgba8(*target.texture, rgba);
    }
    target.Release();
    return read;
}

}  // namespace tool
