// What vornis-snap and the measuring tools may do with the engine beyond its exported
// interface (vornis_engine.h): everything a headless picture or a measurement needs, in
// plain types, so that no tool depends on how the engine, scene or camera are laid out.
// Window thread only, after CreateEngineNative unless said otherwise.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tool {

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // top row first
};

// Before InitEngine: the gizmo and the grid are not even loaded, the interface not started.
void SkipHelperModels();

// Any time, even before CreateEngineNative: starts importing a model file now, in the
// background, for the first LoadModel of that file to take (a picture's model imports while
// the engine starts).
void ImportModelAhead(const std::string& path);

// The engine's messages on standard error on or off (a tool that says why itself).
void SetDebugOutputEnabled(bool enabled);

// Ends the process without the static destructors, which a running model load may still
// need; the output is flushed first.
[[noreturn]] void EndProcess(int code);

// The folder of the running program, where its run-time data lies.
std::string ProgramDirectory();

// The channel views' display names, in the order of the interface's list.
std::vector<std::string> ChannelViewNames();

// The position in the message log that later messages start from.
size_t LogMark();
// The first error logged since `mark`; empty when none.
std::string FirstErrorSince(size_t mark);

// Uses a cube-map file as the sky. False when the sky did not change, with the log's
// reason in `error`, or with `error` empty when the file was read but is no cube map.
bool SetSky(const std::string& path, std::string& error);

// The camera and the clock as they stand now, to return to before each picture.
class StartView {
   public:
    StartView();
    ~StartView();
    void Restore() const;

   private:
    struct State;
    std::unique_ptr<State> state;
};

// Frees the model shown, so that a failed load never leaves it in a picture.
void ReleaseModel();
// After LoadModel: waits until the load ends; false when it took longer than `timeout`.
bool WaitForModel(std::chrono::milliseconds timeout);
// Whether the model holds a mesh that can be drawn.
bool ModelIsDrawable();

// Frames the model as the viewer does, with the end pose of the motion taken at once.
void FrameModelAtOnce();
// Frames every mesh of the model through a lens of `fieldOfView` degrees, `margin` of the
// picture left around it, and moves the far plane beyond a large model.
void FrameWholeModel(int fieldOfView, float margin);

// Poses a skinned model at `seconds` into its clip.
void SetClipTime(float seconds);
// Plays the model's clip of that index (in ModelReport::clips order).
void PlayClip(int index);
// Every frame from now on advances the clock by exactly 1/60 s, however long it took (the
// engine's video-recording mode).
void SetFixedFrameStep(bool on);

// Frames the model as FrameWholeModel does, but so that it fits from every side of a turn
// about the vertical axis through its centre (its box's), taken in `turns` steps.
void FrameTurntable(int fieldOfView, float margin, int turns);
// Turns the camera by `radians` about that axis, keeping its distance to the centre.
void TurnCameraAboutModel(float radians);
// Frames the model as FrameWholeModel does, but so that every pose it takes at `times`
// (seconds into the playing clip) fits: the camera stays put for a whole clip capture.
// Leaves the model posed at the first time.
void FrameClip(int fieldOfView, float margin, const std::vector<float>& times);

// What the shown model holds and where it stands, as the viewer draws it now.
struct ModelReport {
    std::string file;
    size_t nodes = 0;   // of the imported scene
    size_t meshes = 0;  // drawn: a mesh that several nodes place counts at each
    uint64_t vertices = 0;
    uint64_t triangles = 0;
    uint32_t materials = 0;
    uint32_t bones = 0;
    struct Clip {
        std::string name;
        float seconds = 0.0f;  // how long it plays before it repeats
    };
    std::vector<Clip> clips;
    bool hasBounds = false;
    float boundsMin[3] = {0.0f, 0.0f, 0.0f};  // world space, after nodes and skinning
    float boundsMax[3] = {0.0f, 0.0f, 0.0f};
    std::vector<std::string> texturesFound;
    std::vector<std::string> texturesMissing;  // names the materials give, found nowhere
};
// False without a model.
bool DescribeShownModel(ModelReport& report);
// The report's texturesMissing alone, without its walks over every vertex.
std::vector<std::string> ShownModelMissingTextures();
void ShowJointsThroughGeometry(bool show);

// Turns the light to the camera's side and renders one frame into the back buffer without
// the viewer's helpers and without showing it. False before start-up finished.
bool RenderPicture();
// The back buffer, opaque.
bool ReadBackBuffer(Pixels& pixels);
// The scene drawn again at the back buffer's size into a target cleared to alpha 0,
// without sky, helpers or light and without advancing time: alpha 0 where no model is.
bool RenderCoverage(int width, int height, std::vector<uint8_t>& rgba);

// The debug interface hidden or shown in the frames that follow.
void SetInterfaceHidden(bool hidden);
// Turns one inspection overlay of the frames that follow on or off: "wireframe", "bounds",
// "normals", "tangents", or "selection" (the model's first node with a mesh selected).
// False for any other name, or before a model is shown for "selection".
bool ShowOverlay(const std::string& name, bool on = true);
// Opens the debug interface's UV Layout window on the model's first mesh for the frames
// that follow. False without a model or a mesh.
bool OpenUvLayoutWindow();
// Opens or closes the debug interface's Scene window; `expandAll` opens every node of the
// shown model's tree at the next frame.
void SetSceneWindowOpen(bool open, bool expandAll);
// The bone-weight view of the frames that follow: `joint`'s weights, or with `jointCount`
// the number of joints of each vertex; an empty joint without the count turns it off.
// False, with nothing changed, without a model or when no mesh of it has that joint.
bool SetBoneWeightView(const std::string& joint, bool jointCount);
// Builds and submits the debug interface's frame alone, over the last scene drawn.
void DrawInterfaceAlone();

struct PassTimes {
    std::string name;
    std::vector<double> milliseconds;     // one sample a frame
    std::vector<double> cpuMilliseconds;  // processor time of all threads, likewise
};
// Presents `frames` frames with every pass finished before the next and timed.
std::vector<PassTimes> TimePasses(int frames);

// The start-up shader build: a fresh base shader with its vertex variants, and every pixel
// shader, finished on the GPU.
void BuildShadersFromScratch();
// Writes a precompiled file beside the pixel-shader source for every built-in pixel shader;
// returns the files written. Failures go to standard error.
std::vector<std::string> WritePrecompiledPixelShaders();

// The flag word of post-processing steps the engine imports models with.
unsigned ModelImportFlags();
// A model file's bytes, read as the engine reads them; empty when it cannot be read.
std::string ReadModelFile(const std::string& path);
// The FBX structure pre-scan on its own; true when it found the structure safe.
bool FbxStructureIsSafe(const std::string& bytes);

// The import library's part of a model import alone, as the engine runs it: regular-file
// read, structure pre-scan, large-stack thread. Released with the object.
class LibraryImportRun {
   public:
    explicit LibraryImportRun(const std::string& path);
    ~LibraryImportRun();
    // False when the file was refused or the import failed.
    bool Succeeded() const;

   private:
    struct State;
    std::unique_ptr<State> state;
};

// A model imported by the engine on this thread, clips attached as the viewer attaches them,
// released with the object, with what timing its skeletal animation on the CPU needs.
class ImportedModel {
   public:
    explicit ImportedModel(const std::string& path);
    ~ImportedModel();
    bool Imported() const;
    size_t SkinnedMeshes() const;
    size_t Bones() const;
    // The clip clock step of every skinned mesh to `clockMs`.
    void Advance(uint64_t clockMs);
    // Every skinned mesh's pose and palette; true when any pose was computed.
    bool Pose();

   private:
    struct State;
    std::unique_ptr<State> state;
};

}  // namespace tool
