// What the viewer shows: the user's model (loaded on a thread of its own), the fixed
// assets (gizmo, grid, skybox cube, light mesh), the sky cube map, five extra textures and
// the message log. Draw runs the frame's scene passes into the bound target.
#pragma once

#include <array>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "graphics/gpu/GpuForward.h"
#include "platform/MessageLevel.h"
#include "scene/Light.h"
#include "scene/MessageLog.h"
#include "scene/SceneInspection.h"
#include "shaders/BaseShader.h"
#include "textures/TextureHandle.h"

class CModelNode;
class CModelImporter;
class CCamera;
class CMeshObject;
class CGraphicsDevice;
class CFileWatcher;
class CLineRenderer;
struct InputState;
struct AdvanceOptions;
struct ModelTextureSource;

struct ExtraTextureSlot {
    TextureHandle texture;
    std::filesystem::path path;
};

// What a load is for. A request (LoadModel, a reload) asks for the shown model: each
// carries a generation, and only the newest request's model may be shown. An animation
// file (AddAnimation) asks for nothing: its clips go to whatever model is shown when its
// import ends, and a model in it is shown only while no request waits.
enum class ModelLoadKind { Request, Animation };

// The owner's display choices a frame's draws follow.
struct SceneDrawOptions {
    bool showJointsThroughGeometry = false;
    bool animateSequence = false;
    bool followCameraJoint = false;
    bool loopClips = true;  // off: clips stop at their last key
    // The clips' clock in milliseconds; 0: the tick count.
    uint64_t clockMs = 0;
};

class CScene {
   public:
    CScene();
    ~CScene();
    CScene(const CScene&) = delete;
    CScene& operator=(const CScene&) = delete;

    // Loads the fixed assets; the gizmo and the grid only with `loadHelperModels` (a
    // headless renderer never shows them).
    void Init(const CModelImporter& importer, bool loadHelperModels = true);
    // Shows the first file of "Skyboxtextures". Called once the shaders are built: a
    // panorama is turned into a cube map by one of them.
    void LoadFirstSky();
    // Starts a model load on a thread of its own and returns at once. The path is used as
    // given, made absolute against the working directory when it is relative.
    void LoadModel(const std::filesystem::path& path, const CModelImporter& importer,
                   ModelLoadKind kind = ModelLoadKind::Request);
    // True from a request until its load has ended (its model shown or its failure
    // reported), and while an animation load runs. Loads overtaken by a newer request no
    // longer count.
    bool IsLoadPending() const;
    // Returns once every load thread, overtaken ones too, has ended.
    void WaitForLoads() const;
    // Frees the shown model, if any; nothing is shown until the next load.
    void ReleaseModel();
    // Whether this frame's sky pass will cover every pixel of the target: the sky is on and
    // its cube, cube map and pixel shader exist. A sky that cannot be drawn covers nothing,
    // and the target must be cleared under it.
    bool SkyCoversTarget() const;
    // One frame's scene passes; `capture` leaves out gizmo, grid and light mesh.
    void Draw(float frameTime, bool capture, const SceneDrawOptions& options = {});
    void ReportMessage(std::string text, MessageLevel level) { log.Report(std::move(text), level); }
    // True when the file's cube map became the sky.
    bool SetSkyboxTexture(const std::filesystem::path& path);
    void SetExtraTexture(const std::filesystem::path& path, int index);
    // SetExtraTexture's export: the model's meshes (when a model is shown) and the scene's
    // own slot. Returns false for an index outside 0 to 4.
    bool AssignExtraTexture(const std::filesystem::path& path, int index);
    // A sky of one colour instead of the cube-map file; shown at once, with the skybox on.
    void ShowPlainSky(ShaderResourceViewPtr view);
    // Lets go of the plain-colour sky's texture.
    void ReleasePlainSky();
    // Frames the model with the camera; `takeLock` false when the caller holds modelLock.
    void FocusCameraOnModel(bool takeLock);
    void OnModelFileChanged(const std::string& path);
    void DrawMeshObject(CMeshObject& meshObject, float frameTime);
    void ChangeGizmoSize(int steps);
    // What the first frame after a finished load does, at once: frames the new model and
    // clears the load's flag. False when no load has just finished.
    bool FrameLoadedModel();
    // Turns the light by the input since the last light pass and places the light mesh.
    void UpdateLight();
    // Hands the light to the shaders. A frame does it after its draws, for the next frame:
    // a single frame rendered on its own must do it first.
    void SetLightConstants();

    // Calls `use` with the shown model (null when none) under the model lock.
    template <typename Use>
    void WithModel(Use use)
    {
        std::lock_guard<std::mutex> lock(modelLock);
        use(model.get());
    }

    bool photoMode = false;
    std::array<ExtraTextureSlot, 5> extraTextures{};
    std::unique_ptr<CModelNode> skyboxModel;
    std::unique_ptr<CModelNode> gizmoModel;
    std::unique_ptr<CModelNode> gridModel;
    bool renderSkybox = false;
    TextureHandle cubeMap;
    // The record cubeMap holds while a plain-colour sky is shown.
    TextureHandle plainSky;
    CLight light;
    std::unique_ptr<CModelNode> lightMesh;  // held beside the light record it shows
    CMessageLog log;
    std::unique_ptr<CModelNode> model;
    // Selection, overlays and bone-weight view of the inspection tools; under modelLock.
    SceneInspection inspection;
    // Set by the load thread when a load attempt ends; cleared by the first draw after it.
    std::atomic<bool> modelChanged{false};
    std::mutex modelLock;
    uint32_t cubeMapMipLevel = 0;
    float gizmoSize = 1.0f;
    // Set when the last draw found a model to focus on; the headless renderer reads it.
    bool hasAnimation = false;
    // The engine's camera, given at start-up: it receives the camera clip of an accepted
    // model and follows a camera joint.
    CCamera* camera = nullptr;
    // Given by the owner (null where it has none): the device the passes draw with, the
    // input that turns the light, the watcher of model files, the shader object (once
    // compiled) and the line renderer of the skeleton display.
    CGraphicsDevice* device = nullptr;
    const InputState* input = nullptr;
    CFileWatcher* fileWatcher = nullptr;
    CBaseShader* shader = nullptr;
    CLineRenderer* lines = nullptr;
    // Loads the sky, the extra textures and a texture for the whole model; none: they stay
    // empty.
    const ModelTextureSource* textureSource = nullptr;
    // Told the path of every model shown, on the load thread under modelLock.
    std::function<void(const std::string& path)> modelShown;
    // Asked for a deferred reload when the shown model's file changed on disk.
    std::function<void()> requestReload;

   private:
    // How the clips advance this frame: the pass's clock, options and the model's speed.
    AdvanceOptions ClipAdvanceOptions() const;
    struct LoadJob {
        std::filesystem::path path;
        const CModelImporter* importer;
        ModelLoadKind kind;
        uint64_t generation;  // the newest request when the load started
    };
    void RunLoad(const LoadJob& job);
    // With modelLock held: whether the load's model may replace the shown one.
    bool MayShow(const LoadJob& job) const;
    void EndLoad(const LoadJob& job, bool shown);

    std::atomic<int> runningLoads{0};  // every load thread, overtaken ones too
    std::atomic<uint64_t> requestedGeneration{0};
    // The newest request whose load has ended; never goes back.
    std::atomic<uint64_t> settledGeneration{0};
    std::atomic<int> runningAnimationLoads{0};
    void DrawSkybox(const DrawView& view);
    void DrawGizmo(const DrawView& view);
    void DrawModel(float frameTime);
    void AcceptLoadedModel();  // with modelLock held
    void DrawGrid(const DrawView& view);
    void DrawLight(float frameTime);
    // The skeleton display of an animated mesh object while joints are shown (`always`: a
    // skeleton without mesh).
    void DrawJoints(CMeshObject& meshObject, bool always = false);
    // Binds the mesh object's bone palette and buffers and draws it with the bound shader.
    void SubmitMesh(CMeshObject& meshObject);
    // The inspection overlays over the drawn model (InspectionDraw.cpp).
    void DrawInspection();
    void DrawFlatMesh(CMeshObject& meshObject, uint32_t packedColour);
    void DrawDirectionLines(CMeshObject& meshObject, int kind, float worldLength);

    // The camera view the mesh draws of the current pass bind with, and the frame's choices.
    DrawView passView{};
    SceneDrawOptions passOptions{};
    // The shown model's largest bounding radius while joints are shown: the marker size.
    float passModelRadius = 0.0f;
    // The bone-weight view while the model pass draws with it, otherwise null: the model's
    // meshes are drawn with its shader instead of their own.
    const BoneWeightView* passBoneView = nullptr;
    // The posed normal or tangent lines of a skinned mesh, written again for each draw.
    std::shared_ptr<gpu::Buffer> posedLines;
};
