// Every texture of the engine: the built-ins, and each image file loaded for a model, the
// sky, a custom slot or the interface. A load never fails outright: a file that cannot be
// used gives a "Failed" record showing the checkerboard and one line in the log.
//
// Threads: loads come from the window thread and from model-load threads (two at once is
// possible), so the lists are guarded by `listLock`. GPU objects are created with the
// main context on the window thread and inside CGraphicsDevice::UploadScope elsewhere.
// Watch registration and reload callbacks belong to the window thread; a load thread's
// registrations wait for RegisterQueuedWatches.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "graphics/gpu/GpuForward.h"
#include "models/ModelTextureSource.h"
#include "textures/TargaImage.h"
#include "textures/TextureRecord.h"

class CGraphicsDevice;
class CFileWatcher;

class CTextureManager {
   public:
    // Call on the window thread: it is remembered as the thread that owns the main context.
    // Installs the manager as the models' texture source.
    CTextureManager();
    ~CTextureManager();
    CTextureManager(const CTextureManager&) = delete;
    CTextureManager& operator=(const CTextureManager&) = delete;

    // Once, after the device and the file watcher exist. A failed creation leaves that
    // view null and goes on. Without a GL context nothing is created.
    void CreateDefaultTextures(CGraphicsDevice* device, CFileWatcher* watcher);

    // Never null. Relative paths are beside the program. Pointers stay valid for the
    // manager's lifetime.
    TextureRecord* LoadTexture(const std::u16string& path);

    // A plain-coloured sky: 4 x 4 texels per face. Null when it cannot be created.
    ShaderResourceViewPtr CreateSolidCubeMap(uint8_t red, uint8_t green, uint8_t blue);

    // The file watcher's callback for every loaded texture file.
    void OnTextureFileChanged(const std::string& path);

    // "Failed" records lose their view; loaded files are read again and every record of
    // the file takes the new view. Built-ins are left as they are: they have no file.
    void RefreshRecordView(TextureRecord* record);

    // While on, decoded Targa images are kept and reused; switching off empties the cache.
    void SetCacheTargaImages(bool on);

    // Window thread, once per frame: registers the files that load threads loaded.
    void RegisterQueuedWatches();

    TextureRecord* WhiteSquare() const { return whiteSquare.get(); }
    TextureRecord* BlackSquare() const { return blackSquare.get(); }
    TextureRecord* ErrorTexture() const { return errorTexture.get(); }
    TextureRecord* DefaultNormalMap() const { return defaultNormalMap.get(); }
    const ShaderResourceViewPtr& ErrorView() const { return errorView; }
    const ShaderResourceViewPtr& FlatNormalView() const { return flatNormalView; }

    // Snapshots for the interface and tests.
    std::vector<TextureRecord*> Records() const;
    std::vector<std::u16string> WatchedPaths() const;

    // Set by the scene and the model: they reload the textures they hold under a changed
    // file's name. The scene says whether it held any; only if not is the model asked.
    std::function<bool(const std::u16string& path)> reloadSceneTextures;
    std::function<void(const std::u16string& path)> reloadModelTextures;

   private:
    struct LoadedView {
        ShaderResourceViewPtr view;
        std::string typeName;
        uint32_t mipCount = 0;
    };

    LoadedView LoadByExtension(const std::string& narrowPath, const std::u16string& widePath,
                               const std::string& extension);
    LoadedView LoadTarga(const std::string& narrowPath, const std::u16string& widePath);
    LoadedView LoadExr(const std::string& narrowPath);

    TextureRecord* AddLoadedRecord(const std::u16string& widePath, LoadedView loaded);
    TextureRecord* AddFailureRecord();
    void WatchOnce(const std::u16string& widePath);
    void Watch(const std::u16string& widePath);
    // Every record of a reloaded file shows the newest texture made for it since
    // `firstNew`, so the superseded textures are released.
    void ShareNewestView(const std::u16string& widePath, size_t firstNew);
    void ShowEverywhere(const std::u16string& widePath, const ShaderResourceViewPtr& view);

    std::unique_ptr<TextureRecord> MakeBuiltIn(const char16_t* name, ShaderResourceViewPtr view);
    ShaderResourceViewPtr CreateSolidSquare(uint32_t texel);

    // Runs `create` with a GL context current: the main one on the window thread, the
    // upload context on any other. Returns an empty result when there is none.
    template <class Create>
    auto WithGpuContext(Create&& create) -> decltype(create());

    std::thread::id windowThread;
    CGraphicsDevice* device = nullptr;
    CFileWatcher* watcher = nullptr;
    ModelTextureSource modelSource;
    // Written once by CreateDefaultTextures, before any load thread starts.
    ShaderResourceViewPtr errorView;
    ShaderResourceViewPtr flatNormalView;
    std::unique_ptr<TextureRecord> whiteSquare;
    std::unique_ptr<TextureRecord> blackSquare;
    std::unique_ptr<TextureRecord> errorTexture;
    std::unique_ptr<TextureRecord> defaultNormalMap;

    mutable std::mutex listLock;  // guards everything below
    std::vector<std::u16string> watchedPaths;
    std::vector<std::u16string> queuedWatches;
    bool cacheTargaImages = false;
    std::map<std::u16string, std::shared_ptr<const TargaImage>> targaCache;
    std::vector<std::unique_ptr<TextureRecord>> records;
};
