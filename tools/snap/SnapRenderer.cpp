#include "SnapRenderer.h"

#include "FrameSink.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>

#include <unistd.h>
#include <cstdio>
#include <filesystem>

#include "SnapInfo.h"
#include "ToolAccess.h"
#include "vornis_engine.h"

namespace {

// A model file may be large; a hostile one may make the importer grind. Give up eventually.
constexpr auto kLoadTimeout = std::chrono::minutes(5);

// A picture gets one look: every mesh in it, with a little room around, through a longer
// lens than the viewer's. At 90 degrees the camera comes so close to fill the picture that
// a box shows little more than its nearest face.
constexpr float kPictureMargin = 0.06f;
constexpr int kPictureFieldOfView = 45;

// Makes what the model leaves uncovered transparent. The scene drawn once more into a
// capture target, which starts cleared to alpha 0 and is drawn without sky, gizmo, grid
// or light and without advancing time, tells which pixels the model covers.
bool ClearUncoveredPixels(SnapImage& image)
{
    std::vector<uint8_t> coverage;
    if (!tool::RenderCoverage(image.width, image.height, coverage) ||
        coverage.size() != image.rgba.size())
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
    tool::SkipHelperModels();
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
    // The engine takes relative texture names as its own data paths; the user means the
    // working directory.
    if (!options.skyPath.empty() &&
        !tool::SetSky(std::filesystem::absolute(options.skyPath).string(), error)) {
        // A file that could not be read says so in the log; any other is no cube map.
        if (error.empty())
            error = "cannot use " + options.skyPath + " as sky (not a cube map)";
        return false;
    }
    RenderSkyBox(options.showSky);
    SetPhotoMode(true);
    // Every picture starts from here, so that a model looks the same wherever it stands
    // in a batch.
    startView = std::make_unique<tool::StartView>();
    return true;
}

bool SnapSession::Load(const std::string& modelPath, std::string& error)
{
    warnings.clear();
    if (!startView) {
        error = "the engine is not running";
        return false;
    }
    // The model before goes first: a failed load must not leave it in the picture, and two
    // large models at once may not fit.
    tool::ReleaseModel();
    startView->Restore();

    const size_t firstEntry = tool::LogMark();
    LoadModel(modelPath.c_str());
    if (!tool::WaitForModel(kLoadTimeout)) {
        error = "loading the model took too long";
        return false;
    }
    // A model whose meshes were all refused (no vertices, for instance) would give a picture
    // of nothing; say why instead.
    if (!tool::ModelIsDrawable()) {
        error = tool::FirstErrorSince(firstEntry);
        if (error.empty())
            error = "the model holds nothing to draw";
        return false;
    }
    for (const std::string& name : tool::ShownModelMissingTextures())
        warnings.push_back("texture not found: " + name);
    return true;
}

bool SnapSession::Describe(const std::string& modelPath, std::string& json, std::string& error)
{
    if (!Load(modelPath, error))
        return false;
    tool::SetClipTime(options.clipTime.value_or(0.0f));
    tool::FrameModelAtOnce();
    tool::ModelReport report;
    if (!tool::DescribeShownModel(report)) {
        error = "the model is gone";
        return false;
    }
    json = ModelReportJson(report);
    return true;
}

bool SnapSession::Render(const std::string& modelPath, SnapImage& image, std::string& error)
{
    PhaseTimer timer(options.printTimings);
    if (!Load(modelPath, error))
        return false;
    timer.Done("model import");
    ShowOnly(options.viewName.c_str());

    // Frame the model as the viewer's next frame would, take the end pose of the framing
    // motion at once (then frame every mesh, unless the viewer's rule is asked for), and
    // render one frame without the viewer's helpers, lit from the camera's side.
    // The frame's own clock step adds nothing to a clock that starts with it. The pose comes
    // first: whole-model framing measures the skinned meshes as they are posed.
    if (options.clipTime)
        tool::SetClipTime(*options.clipTime);
    tool::FrameModelAtOnce();
    if (options.frameWholeModel)
        tool::FrameWholeModel(kPictureFieldOfView, kPictureMargin);
    tool::ShowJointsThroughGeometry(options.showSkeleton);
    return Picture(image, error, timer);
}

bool SnapSession::Picture(SnapImage& image, std::string& error, PhaseTimer& timer)
{
    tool::RenderPicture();
    timer.Done("model frame");
    tool::Pixels pixels;
    if (!tool::ReadBackBuffer(pixels)) {
        error = "could not read the rendered frame back";
        return false;
    }
    image.width = pixels.width;
    image.height = pixels.height;
    image.rgba = std::move(pixels.rgba);
    timer.Done("read-back");
    if (options.transparent) {
        if (!ClearUncoveredPixels(image)) {
            error = "could not find which pixels the model covers";
            return false;
        }
        timer.Done("coverage");
    }
    return true;
}

bool SnapSession::Capture(const std::string& modelPath, FrameSink& sink, std::string& error)
{
    PhaseTimer timer(false);
    if (!Load(modelPath, error))
        return false;
    ShowOnly(options.viewName.c_str());
    tool::ShowJointsThroughGeometry(options.showSkeleton);
    // Every frame steps the engine's clock by exactly 1/60 s, however long it took.
    tool::SetFixedFrameStep(true);
    int frames = options.turntableFrames;
    int clip = 0;
    if (options.captureClip) {
        tool::ModelReport report;
        tool::DescribeShownModel(report);
        clip = ClipIndex(report, options.takeName);
        if (clip < 0) {
            error = options.takeName.empty() ? "the model has no clip"
                                             : "the model has no take named " + options.takeName;
            return false;
        }
        const float seconds = options.clipSeconds.value_or(report.clips[clip].seconds);
        frames = std::max(1, static_cast<int>(std::lround(seconds * options.fps)));
        tool::PlayClip(clip);
    }
    tool::SetClipTime(options.captureClip ? 0.0f : options.clipTime.value_or(0.0f));
    tool::FrameModelAtOnce();
    if (options.turntableFrames > 0) {
        tool::FrameTurntable(kPictureFieldOfView, kPictureMargin, frames);
    } else if (options.frameWholeModel && options.captureClip) {
        // One camera for the whole clip, fitting every pose: at most 240 of them looked at.
        std::vector<float> times;
        const int looks = std::min(frames, 240);
        for (int i = 0; i < looks; ++i)
            times.push_back(static_cast<float>(i) * static_cast<float>(frames) / looks /
                            options.fps);
        tool::FrameClip(kPictureFieldOfView, kPictureMargin, times);
    } else if (options.frameWholeModel) {
        tool::FrameWholeModel(kPictureFieldOfView, kPictureMargin);
    }

    const bool terminal = isatty(STDERR_FILENO);
    for (int frame = 0; frame < frames; ++frame) {
        if (options.turntableFrames > 0 && frame > 0)
            tool::TurnCameraAboutModel(2.0f * std::numbers::pi_v<float> / frames);
        // Skinned clips run on the clock of milliseconds, not the frame's step: each frame
        // poses its own time, exactly as --time does.
        if (options.captureClip)
            tool::SetClipTime(static_cast<float>(frame) / options.fps);
        SnapImage image;
        if (!Picture(image, error, timer) || !sink.Write(image, error))
            return false;
        if (terminal)
            std::fprintf(stderr, "\rvornis-snap: frame %d of %d", frame + 1, frames);
        else if ((frame + 1) % std::max(1, frames / 10) == 0 || frame + 1 == frames)
            std::fprintf(stderr, "vornis-snap: frame %d of %d\n", frame + 1, frames);
    }
    if (terminal)
        std::fputc('\n', stderr);
    tool::SetFixedFrameStep(false);
    return true;
}

int ClipIndex(const tool::ModelReport& report, const std::string& take)
{
    for (size_t i = 0; i < report.clips.size(); ++i) {
        if (take.empty())
            return 0;
        // Clips are named "<file> [<take>]"; Blender's takes are "<armature>|<action>".
        const std::string& name = report.clips[i].name;
        const size_t open = name.rfind('[');
        if (open == std::string::npos || name.back() != ']')
            continue;
        const std::string full = name.substr(open + 1, name.size() - open - 2);
        const size_t bar = full.rfind('|');
        if (full == take || (bar != std::string::npos && full.substr(bar + 1) == take))
            return static_cast<int>(i);
    }
    return -1;
}

bool RenderSnapshot(const SnapOptions& options, const std::string& modelPath, SnapImage& image,
                    std::string& error)
{
    SnapSession session(options);
    return session.Start(error) && session.Render(modelPath, image, error);
}
