#include "scene/Scene.h"

#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>
#include <vector>

#include "graphics/gpu/GpuObjects.h"
#include "models/ModelImporter.h"
#include "models/ModelNode.h"
#include "models/ModelTextureSource.h"
#include "platform/FileWatcher.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "scene/Camera.h"
#include "scene/InspectionGeometry.h"
#include "textures/TextureRecord.h"

namespace {

constexpr uint32_t kScreenSpaceMeshFlags = 32;
constexpr uint32_t kCubeMeshFlags = 64;

// The first regular file of "Skyboxtextures" by name, skipping hidden ones.
std::filesystem::path FirstSkyboxTexture()
{
    const std::vector<std::filesystem::path> files =
        platform::ListFiles(platform::FindFixedAsset("Skyboxtextures"));
    return files.empty() ? std::filesystem::path() : files.front();
}

bool IsCubeMap(const TextureRecord& record)
{
    return record.view && record.view->GetTexture() &&
           record.view->GetTexture()->Desc().kind == gpu::TextureKind::TextureCube;
}

TextureHandle LoadThroughTextureSource(const ModelTextureSource* source,
                                       const std::filesystem::path& path)
{
    if (!source || !source->loadTexture)
        return nullptr;
    return source->loadTexture(path);
}

}  // namespace

CScene::CScene() = default;

CScene::~CScene()
{
    // Load threads hold this scene until their very last step.
    WaitForLoads();
}

void CScene::WaitForLoads() const
{
    while (runningLoads.load(std::memory_order_acquire) > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void CScene::Init(const CModelImporter& importer, bool loadHelperModels)
{
    struct FixedAsset {
        std::unique_ptr<CModelNode>& model;
        const char* path;
        uint32_t flags;
        const char* shaderName;
    };
    std::vector<FixedAsset> assets;
    if (loadHelperModels) {
        assets.push_back({gizmoModel, "xyz/xyz.fbx", 0, "Model Albedo Alpha Discard"});
        assets.push_back({gridModel, "xyz/xyz_plane.fbx", 0, "Grid"});
    }
    assets.push_back({skyboxModel, "skybox/skyboxCube.fbx", kCubeMeshFlags, "SKYBOX"});
    assets.push_back({lightMesh, "lightmesh/lightmesh.fbx", kScreenSpaceMeshFlags, "Model Albedo"});

    // Imported together: each import waits mostly on its own worker process.
    std::vector<ModelRequest> requests;
    for (const FixedAsset& asset : assets) {
        const std::filesystem::path path = platform::FindFixedAsset(asset.path);
        requests.push_back({path, path.parent_path(), asset.flags, false});
    }
    std::vector<std::unique_ptr<CModelNode>> models = importer.ImportModels(requests);
    for (size_t i = 0; i < assets.size(); ++i) {
        if (models[i])
            models[i]->shaderName = assets[i].shaderName;
        assets[i].model = std::move(models[i]);
    }
    if (gridModel)
        gridModel->transform.m[3][1] = -0.1f;
}

void CScene::LoadFirstSky()
{
    const std::filesystem::path sky = FirstSkyboxTexture();
    if (!sky.empty())
        SetSkyboxTexture(sky);
}

bool CScene::SetSkyboxTexture(const std::filesystem::path& path)
{
    if (!skyboxModel)
        return false;
    // Said before anything is loaded: a missing file is no "texture that is no cube map".
    const std::filesystem::path resolved = platform::ResolveDataPath(path);
    if (const platform::RegularFile file(resolved); !file.IsOpen()) {
        ReportMessage("Cannot read sky file " + resolved.string() + ": " +
                          platform::FileProblemReason(file.Problem(), file.Error()),
                      MessageLevelError);
        return false;
    }
    TextureHandle record = textureSource && textureSource->loadSky
                               ? textureSource->loadSky(resolved)
                               : LoadThroughTextureSource(textureSource, resolved);
    // A failed load still gives a record with a view (the checkerboard), and any other
    // flat image would sample as black: only a cube map replaces the shown sky.
    if (record && IsCubeMap(*record)) {
        cubeMap = std::move(record);  // bound to slot 11 before every draw
        return true;
    }
    log.SetLastMessageText("Error loading skybox texture");
    return false;
}

void CScene::SetExtraTexture(const std::filesystem::path& path, int index)
{
    if (index < 0 || index >= static_cast<int>(extraTextures.size()))
        return;
    extraTextures[index].texture = LoadThroughTextureSource(textureSource, path);
    extraTextures[index].path = path;
}

bool CScene::AssignExtraTexture(const std::filesystem::path& path, int index)
{
    if (index < 0 || index >= static_cast<int>(extraTextures.size()))
        return false;
    // The model's meshes and the scene's slot show one record of the file.
    const TextureLoadSharing sharing(textureSource);
    WithModel([&](CModelNode* shown) {
        if (shown)
            shown->SetExtraTexture(path, index);
    });
    SetExtraTexture(path, index);
    return true;
}

void CScene::ShowPlainSky(ShaderResourceViewPtr view)
{
    if (!view)
        return;
    if (!plainSky) {
        plainSky = std::make_shared<TextureRecord>();
        plainSky->typeName = "Cube";
        plainSky->isBuiltIn = 1;
        plainSky->name = "Plain colour sky";
    }
    const gpu::TextureDesc& desc = view->GetTexture()->Desc();
    plainSky->size[0] = static_cast<float>(desc.width);
    plainSky->size[1] = static_cast<float>(desc.height);
    plainSky->mipCount = desc.mipLevels;
    plainSky->view = std::move(view);
    // Bound to the sky's slot before every draw, like a sky loaded from a file.
    cubeMap = plainSky;
    renderSkybox = true;
}

void CScene::ReleasePlainSky()
{
    if (plainSky)
        plainSky->view.reset();
}

void CScene::FocusCameraOnModel(bool takeLock)
{
    std::unique_lock<std::mutex> lock(modelLock, std::defer_lock);
    if (takeLock)
        lock.lock();
    if (!model || !camera)
        return;
    // A selected node is framed whole, as it is drawn; otherwise the largest mesh.
    CModelNode::Bounds bounds = model->LargestBounds();
    if (inspection.selected) {
        const WorldBox box = DrawnSubtreeBox(*model, *inspection.selected);
        if (!box.empty) {
            for (int axis = 0; axis < 3; ++axis)
                bounds.centre[axis] = (box.low[axis] + box.high[axis]) * 0.5f;
            bounds.radius = box.HalfDiagonal();
        }
    }
    camera->FocusOn(bounds.radius, bounds.centre.data());
    // A 3 cm prop and a 300 m building both end up in front of the near plane and inside
    // the far one.
    if (std::isfinite(bounds.radius) && bounds.radius > 0.0f)
        camera->FitClipPlanes(camera->focusZoom * camera->focusZoom, bounds.radius * 2.0f);
}

void CScene::ChangeGizmoSize(int steps)
{
    const float size = gizmoSize + static_cast<float>(steps) * 0.1f;
    gizmoSize = size < 0.0f ? 0.0f : (size > 10.0f ? 10.0f : size);
}
