// Every texture of the engine: the built-ins, and each image file loaded for a model, the
// sky, a custom slot or the interface. A load never fails outright: a file that cannot be
// used gives a "Failed" record showing the checkerboard and one line in the log.
//
// Ownership: a record lives as long as someone holds its TextureHandle: a model's texture
// slots and extra textures, the scene's custom slots and sky, an interface preview, or the
// manager itself, which holds the four built-ins for the whole run. When the last holder
// lets go, the record goes and takes its GPU texture with it; the GL name is deleted on
// the window thread by the deferred release queue (gpu::ReleaseQueuedObjects), so the last
// holder may be any thread. The manager itself keeps only weak references: to find the
// records of a changed file and to list the live ones. Borrowing a record (a plain pointer
// or reference) is fine while a holder is sure to keep it, e.g. for one interface frame.
//
// Sharing: while a thread is inside a TextureLoadSharing scope (one model import, one
// custom-texture assignment), its loads of one file return one record: one read, one
// decode and one upload per file, however many meshes and material blocks take it.
// Outside such a scope every load reads the file anew and makes a record of its own.
//
// Paths: as the system spells them, from the caller to the open and into the record's
// name; nothing converts them. A record's identity is its resolved path.
//
// Made, not read: a model's embedded images are records like files (shared by name within
// a scope, never watched); plain colours and material values are stand-ins like the
// built-ins. A material-values record follows the texture packing: when the packing
// changes, every live one is rebuilt in place, so whoever holds it shows the new texels.
//
// Reload: a changed file is read once, and every live record of that file (the same
// resolved path), wherever it is held, shows the new texture. A record keeps its kind: a
// cube map (the sky) is not replaced by a flat image, nor a flat texture by a cube map.
//
// Threads: loads come from the window thread and from model-load threads (two at once is
// possible), so the lists are guarded by `listLock`. GPU objects are created with the
// main context on the window thread and inside CGraphicsDevice::UploadScope elsewhere.
// Watch registration, reloads and the records' fields after creation belong to the window
// thread; a load thread's registrations wait for RegisterQueuedWatches.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "graphics/gpu/GpuForward.h"
#include "models/ModelTextureSource.h"
#include "textures/MaterialMapPacking.h"
#include "textures/MaterialTexel.h"
#include "textures/PanoramaCube.h"
#include "textures/TextureFileLoad.h"
#include "textures/TextureHandle.h"
#include "textures/TextureRecord.h"

class CGraphicsDevice;
class CFileWatcher;

class CTextureManager {
   public:
    // Call on the window thread: it is remembered as the thread that owns the main context.
    CTextureManager();
    ~CTextureManager();
    CTextureManager(const CTextureManager&) = delete;
    CTextureManager& operator=(const CTextureManager&) = delete;

    // The manager as the models' texture source, for the importer and the scene; its
    // built-in textures are there once CreateDefaultTextures ran.
    const ModelTextureSource& ModelSource() const { return modelSource; }

    // Once, after the device and the file watcher exist. A failed creation leaves that
    // view null and goes on. Without a GL context nothing is created.
    void CreateDefaultTextures(CGraphicsDevice* device, CFileWatcher* watcher);

    // Never null. Relative paths are data paths (platform::ResolveDataPath).
    TextureHandle LoadTexture(const std::filesystem::path& path);
    // For files found beside a model: a file whose first bytes say it is no image the
    // engine reads gives null and a note in the log, not a failure record.
    TextureHandle LoadDiscoveredTexture(const std::filesystem::path& path);

    // A sky file: an equirectangular ".hdr" or ".exr" panorama becomes a cube map (window
    // thread only), any other file loads as LoadTexture loads it. Never null.
    TextureHandle LoadSkyTexture(const std::filesystem::path& path);
    // How panoramas become cube maps, from the shader object's owner; until it is given,
    // a panorama sky fails with a note in the log.
    using PanoramaConverter = std::function<PanoramaCube(const PanoramaImage& image)>;
    void SetPanoramaConverter(PanoramaConverter convert) { panoramaConverter = std::move(convert); }

    // An image held in memory, PNG, JPEG or DDS by its first bytes, TGA by `extension`;
    // `name` stands for the file. Never null: bytes that cannot be used give a failure record.
    TextureHandle LoadTextureBytes(const std::filesystem::path& name, const std::string& extension,
                                   std::span<const uint8_t> bytes);
    // A 1 x 1 texture of one RGBA8 texel (PackRgba8).
    TextureHandle ColourTexture(uint32_t texel);
    // A 1 x 1 material texture for the packing in effect, rebuilt when it changes.
    TextureHandle MaterialTexture(const MaterialValues& values);
    // The same from roughness and metalness maps (PNG or JPEG) where the material has
    // them: as large as the larger map. A map that cannot be read gives way to the value.
    TextureHandle MaterialTexture(const MaterialMaps& maps);
    // Window thread, once per frame: the packing the shaders use now (the engine's switch).
    void FollowTexturePacking(bool texturePacking);

    // While on, the calling thread's loads of one file share one record (see above).
    void ShareLoadsOnThisThread(bool on);

    // A plain-coloured sky: 4 x 4 texels per face. Null when it cannot be created.
    ShaderResourceViewPtr CreateSolidCubeMap(uint8_t red, uint8_t green, uint8_t blue);

    // The file watcher's callback for every loaded texture file.
    void OnTextureFileChanged(const std::string& path);

    // Window thread, once per frame: registers the files that load threads loaded.
    void RegisterQueuedWatches();

    const TextureHandle& WhiteSquare() const { return whiteSquare; }
    const TextureHandle& BlackSquare() const { return blackSquare; }
    const TextureHandle& ErrorTexture() const { return errorTexture; }
    const TextureHandle& DefaultNormalMap() const { return defaultNormalMap; }
    const ShaderResourceViewPtr& ErrorView() const { return errorView; }
    const ShaderResourceViewPtr& FlatNormalView() const { return flatNormalView; }

    // The live records that loads made (built-ins not included), oldest first. For the
    // interface and tests; holding the result keeps the records alive.
    std::vector<TextureHandle> Records() const;
    size_t LiveRecordCount() const;
    std::vector<std::filesystem::path> WatchedPaths() const;

   private:
    TextureHandle Load(const std::filesystem::path& path, bool discovered);
    // The record this thread's sharing scope holds for the file, if it may be used.
    std::optional<TextureHandle> FindShared(const std::filesystem::path& path,
                                            bool discovered) const;
    void RememberShared(const std::filesystem::path& path, const TextureHandle& record);
    TextureHandle MakeRecord(const std::filesystem::path& name, LoadedTexture loaded) const;
    void Register(const TextureHandle& record);
    // Shows `loaded` in the record, or the checkerboard when there is no view.
    void Show(TextureRecord& record, const LoadedTexture& loaded) const;
    // Reads the file once and shows it in every live record of it; false when none took it.
    bool ReloadEverywhere(const std::filesystem::path& name);
    LoadedTexture LoadFile(const std::filesystem::path& path);
    LoadedTexture LoadPanoramaFile(const std::filesystem::path& path);
    void WatchOnce(const std::filesystem::path& path);
    void Watch(const std::filesystem::path& path);

    // A made texture under `key`, shared within this thread's scope like a file.
    TextureHandle MakeShared(const std::filesystem::path& key,
                             const std::function<TextureHandle()>& make);
    ShaderResourceViewPtr CreateSolidTexel(uint32_t texel);
    TextureHandle MakeBuiltIn(const char* name, ShaderResourceViewPtr view) const;
    ShaderResourceViewPtr CreateSolidSquare(uint32_t texel);

    // Runs `create` with a GL context current: the main one on the window thread, the
    // upload context on any other. Returns an empty result when there is none.
    template <class Create>
    auto WithGpuContext(Create&& create) -> decltype(create());

    std::thread::id windowThread;
    PanoramaConverter panoramaConverter;
    CGraphicsDevice* device = nullptr;
    CFileWatcher* watcher = nullptr;
    ModelTextureSource modelSource;
    // Written once by CreateDefaultTextures, before any load thread starts.
    ShaderResourceViewPtr errorView;
    ShaderResourceViewPtr flatNormalView;
    TextureHandle whiteSquare;
    TextureHandle blackSquare;
    TextureHandle errorTexture;
    TextureHandle defaultNormalMap;

    mutable std::mutex listLock;  // guards everything below
    std::vector<std::filesystem::path> watchedPaths;
    std::vector<std::filesystem::path> queuedWatches;
    // Per sharing thread: its open scopes, and the record of every file it loaded (null:
    // found to be no image).
    struct SharedLoads {
        int scopes = 0;
        std::map<std::filesystem::path, TextureHandle> byPath;
    };
    std::map<std::thread::id, SharedLoads> sharedLoads;
    std::vector<std::weak_ptr<TextureRecord>> records;
    // Material-values records with what they show and the packing they were built for.
    struct MaterialRecord {
        std::weak_ptr<TextureRecord> record;
        MaterialMaps maps;
        bool builtForPacking = true;
    };
    // The view of a material texture for `packing`, and its size (1 x 1 without maps).
    ShaderResourceViewPtr CreateMaterialView(const MaterialMaps& maps, bool packing,
                                             uint32_t& width, uint32_t& height);
    std::vector<MaterialRecord> materialRecords;
    bool texturePacking = true;
};
