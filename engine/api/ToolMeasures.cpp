// The measuring tools' side of the tools' access: the interface's frame, pass times, the
// shader build, model import and skeletal animation.
#include <epoxy/gl.h>

#include <cstdio>

#include "animation/AnimationHooks.h"
#include "animation/JointPalette.h"
#include "animation/MeshAnimation.h"
#include "api/Engine.h"
#include "api/public/vornis_engine.h"
#include "api/tool/ToolAccess.h"
#include "graphics/gpu/PassTimer.h"
#include "models/FbxStructureCheck.h"
#include "models/LibraryImport.h"
#include "models/ModelImporter.h"
#include "models/ModelNode.h"
#include "platform/RegularFile.h"
#include "scene/BoneWeightChoice.h"
#include "scene/Scene.h"
#include "shaders/BaseShader.h"
#include "shaders/PixelShaderRegistry.h"
#include "shaders/ShaderCompiler.h"
#include "shaders/ShaderRegistry.h"
#include "ui/InterfaceFrame.h"
#include "ui/InterfaceState.h"

namespace {

const CModelNode* FirstNodeWithMesh(const CModelNode& node)
{
    if (!node.meshObjects.empty())
        return &node;
    for (const auto& child : node.children)
        if (const CModelNode* found = FirstNodeWithMesh(*child))
            return found;
    return nullptr;
}

}  // namespace

namespace tool {

void SetInterfaceHidden(bool hidden)
{
    GetEngine()->debugInterface->hidden = hidden;
}

void SetSceneWindowOpen(bool open, bool expandAll)
{
    CEngine* engine = GetEngine();
    if (!engine || !engine->debugInterface)
        return;
    SceneWindowPanel& window = engine->debugInterface->sceneWindow;
    window.open = open;
    window.expandAllPending = open && expandAll;
}

bool SetBoneWeightView(const std::string& joint, bool jointCount)
{
    CScene* scene = GetEngine() ? GetEngine()->scene.get() : nullptr;
    if (!scene)
        return false;
    bool shown = false;
    scene->WithModel([&](CModelNode* model) {
        if (!model)
            return;
        std::vector<CMeshObject*> meshes;
        model->CollectMeshObjects(meshes);
        bool found = joint.empty();
        for (const CMeshObject* meshObject : meshes)
            found = found || JointPaletteSlot(*meshObject, joint) >= 0;
        if (!found)
            return;
        ClearWeightView(scene->inspection);
        if (!joint.empty())
            ChooseWeightJoint(scene->inspection, joint);
        ShowJointCount(scene->inspection, jointCount);
        shown = true;
    });
    return shown;
}

bool ShowOverlay(const std::string& name, bool on)
{
    CScene* scene = GetEngine() ? GetEngine()->scene.get() : nullptr;
    if (!scene)
        return false;
    bool known = true;
    scene->WithModel([&](CModelNode* model) {
        SceneOverlays& overlays = scene->inspection.overlays;
        if (name == "wireframe")
            overlays.wireframe = on;
        else if (name == "bounds")
            overlays.bounds = on;
        else if (name == "normals")
            overlays.normals = on;
        else if (name == "tangents")
            overlays.tangents = on;
        else if (name == "selection" && model)
            scene->inspection.selected = on ? FirstNodeWithMesh(*model) : nullptr;
        else
            known = false;
    });
    return known;
}

void DrawInterfaceAlone()
{
    DrawInterface(*GetEngine(), *GetEngine()->debugInterface);
}

std::vector<PassTimes> TimePasses(int frames)
{
    gpu::PassTimer timer;
    gpu::SetActivePassTimer(&timer);
    for (int i = 0; i < frames; ++i) {
        timer.BeginFrame();
        Present();
        timer.EndFrame();
    }
    gpu::SetActivePassTimer(nullptr);
    std::vector<PassTimes> table;
    for (size_t i = 0; i < timer.Table().size(); ++i)
        table.push_back({timer.Table()[i].name, timer.Table()[i].milliseconds,
                         timer.CpuTable()[i].milliseconds});
    return table;
}

void BuildShadersFromScratch()
{
    CBaseShader shader;
    shader.Initialise("shaders/VertexShaders.fx", false);
    GetEngine()->shaders->CompileAll(shader, false);
    glFinish();
}

std::vector<std::string> WritePrecompiledPixelShaders()
{
    std::vector<std::string> written;
    for (const PixelShaderRow& row : kPixelShaderRows) {
        const std::string entry = row.entryPoint ? row.entryPoint : kDefaultMainEntryPoint;
        ShaderBytecode code;
        std::string error;
        if (!CompileShaderFile(kDefaultPixelShaderFile, entry, "ps_5_0", code, error,
                               {{"USETEXTUREPACKING", "true"}})) {
            std::fprintf(stderr, "%s: %s\n", entry.c_str(), error.c_str());
            continue;
        }
        const std::string path = MakePrecompiledPath(kDefaultPixelShaderFile, entry);
        if (WritePrecompiledFile(path, code))
            written.push_back(path);
    }
    return written;
}

unsigned ModelImportFlags()
{
    return kModelImportFlags;
}

std::string ReadModelFile(const std::string& path)
{
    return platform::ReadRegularFile(path, kMaxModelFileBytes).bytes;
}

bool FbxStructureIsSafe(const std::string& bytes)
{
    return !FindUnsafeFbxStructure(bytes);
}

struct LibraryImportRun::State {
    LibraryImport imported;
};

LibraryImportRun::LibraryImportRun(const std::string& path)
    : state(std::make_unique<State>(State{ImportThroughLibrary(path, kModelImportFlags)}))
{
}

LibraryImportRun::~LibraryImportRun() = default;

bool LibraryImportRun::Succeeded() const
{
    return state->imported.scene != nullptr;
}

struct ImportedModel::State {
    CModelImporter importer;  // the model's nodes refer to it: declared before the model
    std::unique_ptr<CModelNode> model;
    std::vector<CMeshObject*> skinned;
};

ImportedModel::ImportedModel(const std::string& path) : state(std::make_unique<State>())
{
    const std::string directory = std::filesystem::path(path).parent_path().string();
    // Clips attach to the meshes as in the viewer; animation errors go to standard error.
    AnimationServices services;
    services.reports.error = [](const std::string& text) {
        std::fprintf(stderr, "%s\n", text.c_str());
    };
    state->importer.animationHooks = MakeAnimationHooks(services);
    state->model = state->importer.ImportModel(path.c_str(), {}, directory, 0);
    if (!state->model)
        return;
    state->model->CollectMeshObjects(state->skinned);
    std::erase_if(state->skinned, [](CMeshObject* m) { return !m->animationSet; });
}

ImportedModel::~ImportedModel() = default;

bool ImportedModel::Imported() const
{
    return state->model != nullptr;
}

size_t ImportedModel::SkinnedMeshes() const
{
    return state->skinned.size();
}

size_t ImportedModel::Bones() const
{
    size_t bones = 0;
    for (CMeshObject* meshObject : state->skinned)
        if (AnimationController* controller = meshObject->animationSet->FirstController())
            bones += controller->bones.size();
    return bones;
}

void ImportedModel::Advance(uint64_t clockMs)
{
    for (CMeshObject* meshObject : state->skinned)
        AdvanceAnimationSet(*meshObject->animationSet, AdvanceOptions{clockMs, false, false});
}

bool ImportedModel::Pose()
{
    bool posed = false;
    for (CMeshObject* meshObject : state->skinned)
        posed |= PoseIntoPalette(*meshObject);
    return posed;
}

}  // namespace tool
