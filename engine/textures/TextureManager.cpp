#include "textures/TextureManager.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "graphics/GraphicsDevice.h"
#include "graphics/gpu/GpuObjects.h"
#include "platform/FileWatcher.h"
#include "platform/Paths.h"
#include "textures/BuiltInTextures.h"
#include "textures/DecodeBudget.h"
#include "textures/EncodedImageReader.h"
#include "textures/FileBytes.h"
#include "textures/ImageFileType.h"
#include "textures/PanoramaImage.h"
#include "textures/TextureLoadMessages.h"
#include "textures/TextureResult.h"
#include "textures/TextureUpload.h"

namespace {

constexpr char kFailedName[] = "Failed";

// Only a file whose first bytes could be read can be told to be no image.
bool IsNoImage(const std::filesystem::path& path)
{
    const ImageFileProbe probe = ProbeImageFile(path);
    return probe.result == texture_result::Ok && probe.type == ImageFileType::NotAnImage;
}

bool IsCubeMap(const ShaderResourceViewPtr& view)
{
    return view && view->GetTexture() &&
           view->GetTexture()->Desc().kind == gpu::TextureKind::TextureCube;
}

}  // namespace

CTextureManager::CTextureManager() : windowThread(std::this_thread::get_id())
{
    modelSource.loadTexture = [this](const std::filesystem::path& path) {
        return LoadTexture(path);
    };
    modelSource.loadSky = [this](const std::filesystem::path& path) {
        return LoadSkyTexture(path);
    };
    modelSource.loadDiscoveredTexture = [this](const std::filesystem::path& path) {
        return LoadDiscoveredTexture(path);
    };
    modelSource.loadTextureBytes =
        [this](const std::filesystem::path& name, const std::string& extension,
               std::span<const uint8_t> bytes) { return LoadTextureBytes(name, extension, bytes); };
    modelSource.colourTexture = [this](uint32_t texel) { return ColourTexture(texel); };
    modelSource.materialTexture = [this](const MaterialValues& values) {
        return MaterialTexture(values);
    };
    modelSource.materialMapsTexture = [this](const MaterialMaps& maps) {
        return MaterialTexture(maps);
    };
    modelSource.report = [](const std::string& text, MessageLevel level) {
        ReportTextureMessage(text, level);
    };
    modelSource.shareLoads = [this](bool on) { ShareLoadsOnThisThread(on); };
}

CTextureManager::~CTextureManager() = default;

template <class Create>
auto CTextureManager::WithGpuContext(Create&& create) -> decltype(create())
{
    if (!device || !device->glContext)
        return {};
    if (std::this_thread::get_id() == windowThread)
        return create();
    CGraphicsDevice::UploadScope scope(*device);
    if (!scope.Active())
        return {};
    return create();
}

ShaderResourceViewPtr CTextureManager::CreateSolidTexel(uint32_t texel)
{
    const uint32_t texels[1] = {texel};
    return WithGpuContext([&] { return CreateRgba8Texture(1, 1, texels, 1); });
}

ShaderResourceViewPtr CTextureManager::CreateSolidSquare(uint32_t texel)
{
    const std::vector<uint32_t> texels(kBuiltInSquareSide * kBuiltInSquareSide, texel);
    return WithGpuContext(
        [&] { return CreateRgba8Texture(kBuiltInSquareSide, kBuiltInSquareSide, texels, 1); });
}

TextureHandle CTextureManager::MakeBuiltIn(const char* name, ShaderResourceViewPtr view) const
{
    auto record = std::make_shared<TextureRecord>();
    record->view = std::move(view);
    record->secondarySize[0] = record->secondarySize[1] = 0.3f;
    record->size[0] = record->size[1] = 512.0f;
    record->isBuiltIn = 1;
    record->name = name;
    return record;
}

void CTextureManager::CreateDefaultTextures(CGraphicsDevice* graphicsDevice,
                                            CFileWatcher* fileWatcher)
{
    device = graphicsDevice;
    watcher = fileWatcher;
    const std::vector<uint32_t> checkerboard = CheckerboardTexels();
    errorView = WithGpuContext(
        [&] { return CreateRgba8Texture(kCheckerboardSide, kCheckerboardSide, checkerboard, 1); });
    flatNormalView = CreateSolidSquare(kFlatNormalTexel);
    whiteSquare = MakeBuiltIn("WhiteSquare", CreateSolidSquare(kWhiteTexel));
    blackSquare = MakeBuiltIn("BlackSquare", CreateSolidSquare(kBlackTexel));
    errorTexture = MakeBuiltIn("Error", errorView);
    defaultNormalMap = MakeBuiltIn("DefaultNormalMap", flatNormalView);
    modelSource.whiteSquare = whiteSquare;
    modelSource.blackSquare = blackSquare;
    modelSource.errorTexture = errorTexture;
    modelSource.defaultNormalMap = defaultNormalMap;
}

TextureHandle CTextureManager::LoadTexture(const std::filesystem::path& path)
{
    return Load(path, false);
}

TextureHandle CTextureManager::LoadSkyTexture(const std::filesystem::path& path)
{
    const std::filesystem::path resolved = platform::ResolveDataPath(path);
    if (!IsPanoramaName(resolved))
        return LoadTexture(path);
    LoadedTexture loaded = LoadPanoramaFile(resolved);
    const bool failed = !loaded.view;
    TextureHandle record =
        MakeRecord(failed ? std::filesystem::path(kFailedName) : resolved, std::move(loaded));
    record->file = resolved;
    Register(record);
    WatchOnce(resolved);
    return record;
}

LoadedTexture CTextureManager::LoadPanoramaFile(const std::filesystem::path& path)
{
    const auto start = std::chrono::steady_clock::now();
    std::string reason;
    std::optional<PanoramaImage> image = ReadPanorama(path, reason);
    PanoramaCube cube;
    if (image) {
        // The conversion draws with the main context and the shader object.
        if (!panoramaConverter || std::this_thread::get_id() != windowThread || !device ||
            !device->glContext)
            cube.error = "no GPU to convert it on yet";
        else
            cube = panoramaConverter(*image);
        reason = cube.error;
    }
    if (!cube.view) {
        ReportTextureMessage(PanoramaErrorMessage(path.string(), reason), MessageLevelError);
        return {};
    }
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    ReportTextureMessage(PanoramaSkyMessage(path.string(), image->width, image->height,
                                            PlanPanoramaCube(image->width).faceSize, cube.mipCount,
                                            milliseconds.count()),
                         MessageLevelInfo);
    return {std::move(cube.view), IsExrName(path) ? "EXR panorama" : "HDR panorama", cube.mipCount};
}

TextureHandle CTextureManager::LoadDiscoveredTexture(const std::filesystem::path& path)
{
    return Load(path, true);
}

TextureHandle CTextureManager::Load(const std::filesystem::path& path, bool discovered)
{
    const std::filesystem::path resolved = platform::ResolveDataPath(path);

    if (std::optional<TextureHandle> shared = FindShared(resolved, discovered))
        return *shared;

    TextureHandle record;
    if (discovered && IsNoImage(resolved)) {
        ReportTextureMessage(NotAnImageNote(resolved.string()), MessageLevelInfo);
    } else {
        LoadedTexture loaded = LoadFile(resolved);
        const bool failed = !loaded.view;
        record =
            MakeRecord(failed ? std::filesystem::path(kFailedName) : resolved, std::move(loaded));
        record->file = resolved;
        Register(record);
        // A failed load is watched too: a file read while it was being saved loads once
        // it is whole.
        WatchOnce(resolved);
    }
    RememberShared(resolved, record);
    return record;
}

TextureHandle CTextureManager::MakeShared(const std::filesystem::path& key,
                                          const std::function<TextureHandle()>& make)
{
    if (std::optional<TextureHandle> shared = FindShared(key, false); shared && *shared)
        return *shared;
    TextureHandle record = make();
    RememberShared(key, record);
    return record;
}

TextureHandle CTextureManager::LoadTextureBytes(const std::filesystem::path& name,
                                                const std::string& extension,
                                                std::span<const uint8_t> bytes)
{
    return MakeShared(name, [&] {
        LoadedTexture loaded =
            ::LoadTextureBytes(bytes, extension, name.string(),
                               [this](const std::function<ShaderResourceViewPtr()>& create) {
                                   return WithGpuContext(create);
                               });
        const bool failed = !loaded.view;
        TextureHandle record =
            MakeRecord(failed ? std::filesystem::path(kFailedName) : name, std::move(loaded));
        Register(record);
        return record;
    });
}

TextureHandle CTextureManager::ColourTexture(uint32_t texel)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "%02X%02X%02X%02X", texel & 0xFF, (texel >> 8) & 0xFF,
                  (texel >> 16) & 0xFF, texel >> 24);
    const std::string name = std::string("Colour #") + hex;
    return MakeShared(name, [&] { return MakeBuiltIn(name.c_str(), CreateSolidTexel(texel)); });
}

TextureHandle CTextureManager::MaterialTexture(const MaterialValues& values)
{
    return MaterialTexture(MaterialMaps{{}, {}, values});
}

ShaderResourceViewPtr CTextureManager::CreateMaterialView(const MaterialMaps& maps, bool packing,
                                                          uint32_t& width, uint32_t& height)
{
    auto decode = [](const std::filesystem::path& path) -> std::optional<DecodedImage> {
        if (path.empty())
            return std::nullopt;
        const FileBytesResult file = ReadFileBytes(path, kMaxEncodedFileBytes);
        if (file.result != texture_result::Ok)
            return std::nullopt;
        return DecodeEncodedImage(file.bytes);
    };
    const std::optional<DecodedImage> roughness = decode(maps.roughnessMap);
    const std::optional<DecodedImage> metalness = decode(maps.metalnessMap);
    if (std::optional<DecodedImage> packed =
            PackMaterialMaps(roughness ? &*roughness : nullptr, metalness ? &*metalness : nullptr,
                             maps.values, packing)) {
        width = packed->width;
        height = packed->height;
        return WithGpuContext(
            [&] { return CreateRgba8Texture(packed->width, packed->height, packed->texels, 1); });
    }
    width = height = 1;
    return CreateSolidTexel(PackMaterialTexel(maps.values, packing));
}

TextureHandle CTextureManager::MaterialTexture(const MaterialMaps& maps)
{
    const MaterialValues& values = maps.values;
    char key[96];
    std::snprintf(key, sizeof key, "Material values %g %g %g %g", values.occlusion,
                  values.roughness, values.metalness, values.emissive);
    const std::string shareKey =
        key + (" " + maps.roughnessMap.string()) + (" " + maps.metalnessMap.string());
    return MakeShared(shareKey, [&] {
        bool packing = true;
        {
            std::lock_guard<std::mutex> guard(listLock);
            packing = texturePacking;
        }
        uint32_t width = 1, height = 1;
        ShaderResourceViewPtr view = CreateMaterialView(maps, packing, width, height);
        TextureHandle record = MakeBuiltIn("Material values", std::move(view));
        // Made from files: the slot holds a texture of the model's own.
        if (width > 1 || height > 1 || !maps.roughnessMap.empty() || !maps.metalnessMap.empty()) {
            record->isBuiltIn = 0;
            record->name = maps.roughnessMap.empty() ? maps.metalnessMap : maps.roughnessMap;
            record->size[0] = record->secondarySize[0] = static_cast<float>(width);
            record->size[1] = record->secondarySize[1] = static_cast<float>(height);
        }
        std::lock_guard<std::mutex> guard(listLock);
        materialRecords.push_back({record, maps, packing});
        return record;
    });
}

void CTextureManager::FollowTexturePacking(bool packing)
{
    std::vector<std::pair<TextureHandle, MaterialMaps>> stale;
    {
        std::lock_guard<std::mutex> guard(listLock);
        texturePacking = packing;
        std::erase_if(materialRecords, [](const MaterialRecord& m) { return m.record.expired(); });
        for (MaterialRecord& material : materialRecords) {
            if (material.builtForPacking == packing)
                continue;
            if (TextureHandle record = material.record.lock())
                stale.emplace_back(std::move(record), material.maps);
            material.builtForPacking = packing;
        }
    }
    for (const auto& [record, maps] : stale) {
        uint32_t width = 1, height = 1;
        if (ShaderResourceViewPtr view = CreateMaterialView(maps, packing, width, height))
            record->view = std::move(view);
    }
}

std::optional<TextureHandle> CTextureManager::FindShared(const std::filesystem::path& path,
                                                         bool discovered) const
{
    std::lock_guard<std::mutex> guard(listLock);
    const auto sharing = sharedLoads.find(std::this_thread::get_id());
    if (sharing == sharedLoads.end())
        return std::nullopt;
    const auto known = sharing->second.byPath.find(path);
    // A file found to be no image is still loaded when asked for by name.
    if (known == sharing->second.byPath.end() || (!known->second && !discovered))
        return std::nullopt;
    return known->second;
}

void CTextureManager::RememberShared(const std::filesystem::path& path, const TextureHandle& record)
{
    std::lock_guard<std::mutex> guard(listLock);
    if (auto sharing = sharedLoads.find(std::this_thread::get_id()); sharing != sharedLoads.end())
        sharing->second.byPath[path] = record;
}

LoadedTexture CTextureManager::LoadFile(const std::filesystem::path& path)
{
    return LoadTextureFile(path, [this](const std::function<ShaderResourceViewPtr()>& create) {
        return WithGpuContext(create);
    });
}

TextureHandle CTextureManager::MakeRecord(const std::filesystem::path& name,
                                          LoadedTexture loaded) const
{
    auto record = std::make_shared<TextureRecord>();
    record->name = name;
    Show(*record, loaded);
    return record;
}

void CTextureManager::Show(TextureRecord& record, const LoadedTexture& loaded) const
{
    if (!loaded.view) {
        record.view = errorView;
        record.typeName = "N/A";
        record.size[0] = record.size[1] = 512.0f;
        record.secondarySize[0] = record.secondarySize[1] = 0.3f;
        record.isBuiltIn = 1;
        record.mipCount = 0;
        return;
    }
    record.view = loaded.view;
    record.typeName = loaded.typeName;
    ViewSize(record.view, record.size);
    record.secondarySize[0] = record.size[0];
    record.secondarySize[1] = record.size[1];
    record.isBuiltIn = 0;
    record.mipCount = loaded.mipCount;
}

void CTextureManager::Register(const TextureHandle& record)
{
    std::lock_guard<std::mutex> guard(listLock);
    // Records that nobody holds any more leave the list as it grows.
    std::erase_if(records, [](const std::weak_ptr<TextureRecord>& r) { return r.expired(); });
    records.push_back(record);
}

void CTextureManager::ShareLoadsOnThisThread(bool on)
{
    std::lock_guard<std::mutex> guard(listLock);
    const std::thread::id thread = std::this_thread::get_id();
    // One model's loads share records and one budget for decoded images.
    if (on) {
        if (++sharedLoads[thread].scopes == 1)
            OpenDecodeBudget(true);
        return;
    }
    // The records shared so far are let go with the outermost scope.
    if (auto sharing = sharedLoads.find(thread);
        sharing != sharedLoads.end() && --sharing->second.scopes <= 0) {
        sharedLoads.erase(sharing);
        OpenDecodeBudget(false);
    }
}

void CTextureManager::WatchOnce(const std::filesystem::path& path)
{
    {
        std::lock_guard<std::mutex> guard(listLock);
        if (std::find(watchedPaths.begin(), watchedPaths.end(), path) != watchedPaths.end())
            return;
        watchedPaths.push_back(path);
        // The watcher's callback table belongs to the window thread.
        if (std::this_thread::get_id() != windowThread) {
            queuedWatches.push_back(path);
            return;
        }
    }
    Watch(path);
}

void CTextureManager::Watch(const std::filesystem::path& path)
{
    if (watcher)
        watcher->Watch(
            path, [this](const std::string& changed) { OnTextureFileChanged(changed); }, this);
}

void CTextureManager::RegisterQueuedWatches()
{
    std::vector<std::filesystem::path> queued;
    {
        std::lock_guard<std::mutex> guard(listLock);
        queued.swap(queuedWatches);
    }
    for (const std::filesystem::path& path : queued)
        Watch(path);
}

ShaderResourceViewPtr CTextureManager::CreateSolidCubeMap(uint8_t red, uint8_t green, uint8_t blue)
{
    return WithGpuContext([&] { return CreateSolidCubeTexture(red, green, blue); });
}

void CTextureManager::OnTextureFileChanged(const std::string& path)
{
    if (ReloadEverywhere(path))
        ReportTextureMessage(TextureReloadedMessage(path), MessageLevelInfo);
}

bool CTextureManager::ReloadEverywhere(const std::filesystem::path& name)
{
    std::vector<TextureHandle> holders;
    {
        std::lock_guard<std::mutex> guard(listLock);
        for (const std::weak_ptr<TextureRecord>& weak : records) {
            if (TextureHandle record = weak.lock();
                record && (record->name == name || record->file == name))
                holders.push_back(std::move(record));
        }
    }
    if (holders.empty())
        return false;

    // A panorama is a sky where a cube map holds it, an image elsewhere.
    const bool heldAsSky = std::any_of(holders.begin(), holders.end(),
                                       [](const TextureHandle& r) { return IsCubeMap(r->view); });
    const LoadedTexture loaded =
        heldAsSky && IsPanoramaName(name) ? LoadPanoramaFile(name) : LoadFile(name);
    const bool newIsCube = IsCubeMap(loaded.view);  // the checkerboard is flat
    bool shown = false;
    bool keptNoted = false;
    for (const TextureHandle& record : holders) {
        const bool wasCube = IsCubeMap(record->view);
        if (record->view && wasCube != newIsCube) {
            if (!keptNoted)
                ReportTextureMessage(ReloadKeptKindMessage(name.string(), wasCube),
                                     MessageLevelError);
            keptNoted = true;
            continue;
        }
        Show(*record, loaded);
        if (loaded.view)
            record->name = name;  // a failure record no more
        shown = true;
    }
    return shown;
}

std::vector<TextureHandle> CTextureManager::Records() const
{
    std::lock_guard<std::mutex> guard(listLock);
    std::vector<TextureHandle> live;
    live.reserve(records.size());
    for (const std::weak_ptr<TextureRecord>& weak : records) {
        if (TextureHandle record = weak.lock())
            live.push_back(std::move(record));
    }
    return live;
}

size_t CTextureManager::LiveRecordCount() const
{
    std::lock_guard<std::mutex> guard(listLock);
    return static_cast<size_t>(
        std::count_if(records.begin(), records.end(), [](const auto& r) { return !r.expired(); }));
}

std::vector<std::filesystem::path> CTextureManager::WatchedPaths() const
{
    std::lock_guard<std::mutex> guard(listLock);
    return watchedPaths;
}
