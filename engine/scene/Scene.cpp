#include "scene/Scene.h"

#include <filesystem>
#include <thread>

#include "api/Engine.h"
#include "graphics/gpu/GpuObjects.h"
#include "models/ModelAnimationHooks.h"
#include "models/ModelImporter.h"
#include "models/ModelNode.h"
#include "models/ModelTextureSource.h"
#include "platform/Paths.h"
#include "scene/Camera.h"
#include "scene/SceneAccess.h"
#include "shaders/FileWatcher.h"
#include "textures/TextureRecord.h"

namespace {

constexpr uint32_t kScreenSpaceMeshFlags = 32;
constexpr uint32_t kCubeMeshFlags = 64;

std::string DirectoryOf(const std::string& path)
{
    return std::filesystem::path(path).parent_path().string();
}

std::unique_ptr<CModelNode> ImportFixedAsset(const CModelImporter& importer,
                                             const std::string& relativePath, uint32_t flags,
                                             const char* shaderName)
{
    const std::string path = platform::FindFixedAsset(relativePath);
    auto node = importer.ImportModel(path.c_str(), nullptr, DirectoryOf(path), flags, false);
    if (node)
        node->shaderName = shaderName;
    return node;
}

// The first regular file of "Skyboxtextures", skipping hidden ones.
std::string FirstSkyboxTexture()
{
    const std::filesystem::path directory = platform::FindFixedAsset("Skyboxtextures");
    std::error_code ec;
    std::filesystem::directory_iterator it(directory, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.' || it->is_directory(ec))
            continue;
        return it->path().string();
    }
    return {};
}

bool IsCubeMap(const TextureRecord& record)
{
    return record.view && record.view->GetTexture() &&
           record.view->GetTexture()->Desc().kind == gpu::TextureKind::TextureCube;
}

TextureHandle LoadThroughTextureSource(const std::string& path)
{
    const ModelTextureSource* source = GetModelTextureSource();
    if (!source || !source->loadTexture)
        return nullptr;
    const std::optional<std::u16string> wide = platform::Utf8ToUtf16(path);
    return wide ? source->loadTexture(*wide) : nullptr;
}

}  // namespace

CScene::CScene()
{
    SetShownModelAccess([this](const std::function<void(CModelNode*)>& use) {
        std::lock_guard<std::mutex> lock(modelLock);
        use(model.get());
    });
}

CScene::~CScene()
{
    SetShownModelAccess(nullptr);
}

void CScene::Init(const CModelImporter& importer)
{
    CEngine* engine = GetEngine();
    if (!engine || engine->loadHelperModels) {
        gizmoModel = ImportFixedAsset(importer, "xyz/xyz.fbx", 0, "Model Albedo Alpha Discard");
        gridModel = ImportFixedAsset(importer, "xyz/xyz_plane.fbx", 0, "Grid");
        if (gridModel)
            gridModel->transform[13] = -0.1f;
    }
    skyboxModel = ImportFixedAsset(importer, "skybox/skyboxCube.fbx", kCubeMeshFlags, "SKYBOX");
    lightMesh = ImportFixedAsset(importer, "lightmesh/lightmesh.fbx", kScreenSpaceMeshFlags,
                                 "Model Albedo");
    const std::string sky = FirstSkyboxTexture();
    if (!sky.empty())
        SetSkyboxTexture(sky);
}

void CScene::LoadModel(const std::string& givenPath, const CModelImporter& importer)
{
    // Textures beside the model and the watcher resolve relative names against the
    // program's directory, not the caller's: anchor the model in the caller's directory.
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(givenPath, ec);
    const std::string path = ec ? givenPath : absolute.lexically_normal().string();
    const std::string extension = std::filesystem::path(path).extension().string();
    if (extension != ".fbx" && extension != ".FBX") {
        ReportMessage("Format not supported: " + extension, MessageLevelError);
        return;
    }
    CEngine* engine = GetEngine();
    if (engine && engine->fileWatcher)
        engine->fileWatcher->Watch(
            path, [this](const std::string& changed) { OnModelFileChanged(changed); });
    ReportMessage("Loading model", MessageLevelInfo);
    // Set before the thread starts, so that a caller polling IsModelLoaded right after
    // this call already sees the load.
    loading = true;
    try {
        std::thread(&CScene::RunLoad, this, path, &importer).detach();
    } catch (const std::system_error&) {
        loading = false;
        ReportMessage("Could not start loading " + path, MessageLevelError);
    }
}

void CScene::ReleaseModel()
{
    // Freed under the lock, as a replaced model is: nothing may still be drawing it.
    std::lock_guard<std::mutex> lock(modelLock);
    model.reset();
}

void CScene::RunLoad(std::string path, const CModelImporter* importer)
{
    loading = true;
    std::unique_ptr<CModelNode> loaded =
        importer->ImportModel(path.c_str(), nullptr, DirectoryOf(path), 0);
    if (loaded && loaded->HasAnyMesh()) {
        if (CEngine* engine = GetEngine())
            engine->SetModelPath(path);
        std::unique_ptr<CModelNode> old;
        {
            std::lock_guard<std::mutex> lock(modelLock);
            ReportMessage("Model loaded: " + path, MessageLevelInfo);
            old = std::move(model);
            model = std::move(loaded);
            // The old model dies under the lock: nothing may still be drawing it.
            old.reset();
        }
    }
    loading = false;
    modelChanged = true;
}

void CScene::OnModelFileChanged(const std::string& path)
{
    std::lock_guard<std::mutex> lock(modelLock);
    if (model)
        model->OnFileChanged(path);
}

void CScene::SetSkyboxTexture(const std::string& path)
{
    if (!skyboxModel)
        return;
    TextureHandle record = LoadThroughTextureSource(path);
    // A failed load still gives a record with a view (the checkerboard), and any other
    // flat image would sample as black: only a cube map replaces the shown sky.
    if (record && IsCubeMap(*record)) {
        cubeMap = std::move(record);  // bound to slot 11 before every draw
        return;
    }
    log.SetLastMessageText("Error loading skybox texture");
}

void CScene::SetExtraTexture(const std::string& path, int index)
{
    if (index < 0 || index >= static_cast<int>(extraTextures.size()))
        return;
    extraTextures[index].texture = LoadThroughTextureSource(path);
    extraTextures[index].path = platform::Utf8ToUtf16(path).value_or(u"");
}

bool CScene::AssignExtraTexture(const std::string& path, int index)
{
    if (index < 0 || index >= static_cast<int>(extraTextures.size()))
        return false;
    // The model's meshes and the scene's slot show one record of the file.
    const TextureLoadSharing sharing(GetModelTextureSource());
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
        plainSky->name = u"Plain colour sky";
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
    CEngine* engine = GetEngine();
    if (!model || !engine || !engine->camera)
        return;
    const CModelNode::Bounds bounds = model->LargestBounds();
    engine->camera->FocusOn(bounds.radius, bounds.centre.data());
}

void CScene::ChangeGizmoSize(int steps)
{
    const float size = gizmoSize + static_cast<float>(steps) * 0.1f;
    gizmoSize = size < 0.0f ? 0.0f : (size > 10.0f ? 10.0f : size);
}

CLight* SceneLight()
{
    CEngine* engine = GetEngine();
    return engine && engine->scene ? &engine->scene->light : nullptr;
}
