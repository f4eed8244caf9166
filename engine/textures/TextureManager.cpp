#include "textures/TextureManager.h"

#include <algorithm>
#include <filesystem>

#include "api/Engine.h"
#include "graphics/GraphicsDevice.h"
#include "platform/Paths.h"
#include "shaders/FileWatcher.h"
#include "textures/BuiltInTextures.h"
#include "textures/DdsDescription.h"
#include "textures/DdsPixelFormatTables.h"
#include "textures/DdsReader.h"
#include "textures/ExrImage.h"
#include "textures/TextureLoadMessages.h"
#include "textures/TextureResult.h"
#include "textures/TextureUpload.h"

namespace {

constexpr char16_t kFailedName[] = u"Failed";

void Report(std::string text)
{
    ReportMessage(std::move(text), MessageLevelError);
}

}  // namespace

CTextureManager::CTextureManager() : windowThread(std::this_thread::get_id())
{
    modelSource.loadTexture = [this](const std::u16string& path) { return LoadTexture(path); };
    modelSource.cacheTargaImages = [this](bool on) { SetCacheTargaImages(on); };
    SetModelTextureSource(&modelSource);
}

CTextureManager::~CTextureManager()
{
    if (GetModelTextureSource() == &modelSource)
        SetModelTextureSource(nullptr);
}

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

ShaderResourceViewPtr CTextureManager::CreateSolidSquare(uint32_t texel)
{
    const std::vector<uint32_t> texels(kBuiltInSquareSide * kBuiltInSquareSide, texel);
    return WithGpuContext(
        [&] { return CreateRgba8Texture(kBuiltInSquareSide, kBuiltInSquareSide, texels, 1); });
}

std::unique_ptr<TextureRecord> CTextureManager::MakeBuiltIn(const char16_t* name,
                                                            ShaderResourceViewPtr view)
{
    auto record = std::make_unique<TextureRecord>();
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
    whiteSquare = MakeBuiltIn(u"WhiteSquare", CreateSolidSquare(kWhiteTexel));
    blackSquare = MakeBuiltIn(u"BlackSquare", CreateSolidSquare(kBlackTexel));
    errorTexture = MakeBuiltIn(u"Error", errorView);
    defaultNormalMap = MakeBuiltIn(u"DefaultNormalMap", flatNormalView);
    modelSource.whiteSquare = whiteSquare.get();
    modelSource.blackSquare = blackSquare.get();
    modelSource.errorTexture = errorTexture.get();
    modelSource.defaultNormalMap = defaultNormalMap.get();
}

TextureRecord* CTextureManager::LoadTexture(const std::u16string& path)
{
    const std::optional<std::string> given = platform::Utf16ToUtf8(path);
    if (!given) {
        Report(UnsupportedTextureMessage("(a path that is not valid UTF-16)"));
        return AddFailureRecord();
    }
    const std::string narrowPath = platform::ResolveDataPath(*given).string();
    const std::u16string widePath = platform::Utf8ToUtf16(narrowPath).value_or(path);

    // Any file that reads as DDS is one, whatever its name says.
    DdsFile dds = ReadDdsFile(narrowPath);
    const DdsParseResult& parsed = dds.parsed;
    if (parsed.result == texture_result::Ok) {
        DdsTextureView created = WithGpuContext([&] { return CreateDdsTexture(parsed.image); });
        if (created.result == texture_result::Ok && created.view) {
            const DdsHeaderDx10* dx10 = parsed.dx10 ? &*parsed.dx10 : nullptr;
            WriteDdsDescription(*parsed.header, dx10);
            LoadedView loaded{std::move(created.view), DdsTypeName(*parsed.header, dx10),
                              parsed.header->mipMapCount};
            return AddLoadedRecord(widePath, std::move(loaded));
        }
    }

    const std::string extension = platform::FileExtension(narrowPath);
    if (extension == ".dds") {
        ReportDdsFailure(parsed.header ? &*parsed.header : nullptr);
        return AddFailureRecord();
    }
    LoadedView loaded = LoadByExtension(narrowPath, widePath, extension);
    if (!loaded.view)
        return AddFailureRecord();
    return AddLoadedRecord(widePath, std::move(loaded));
}

CTextureManager::LoadedView CTextureManager::LoadByExtension(const std::string& narrowPath,
                                                             const std::u16string& widePath,
                                                             const std::string& extension)
{
    if (extension == ".tga")
        return LoadTarga(narrowPath, widePath);
    if (extension == ".exr")
        return LoadExr(narrowPath);
    Report(UnsupportedTextureMessage(narrowPath));
    return {};
}

CTextureManager::LoadedView CTextureManager::LoadTarga(const std::string& narrowPath,
                                                       const std::u16string& widePath)
{
    std::error_code error;
    if (!std::filesystem::exists(narrowPath, error)) {
        Report(UnsupportedTextureMessage(narrowPath));
        return {};
    }
    std::shared_ptr<const TargaImage> image;
    {
        std::lock_guard<std::mutex> guard(listLock);
        if (auto cached = targaCache.find(widePath); cached != targaCache.end())
            image = cached->second;
    }
    if (!image) {
        Report(TgaUsedWarning(narrowPath));
        if (std::optional<TargaImage> read = ReadTargaImage(narrowPath))
            image = std::make_shared<const TargaImage>(std::move(*read));
        std::lock_guard<std::mutex> guard(listLock);
        if (image && cacheTargaImages)
            targaCache[widePath] = image;
    }
    if (!image || !image->HasPixels()) {
        Report(TgaErrorMessage(narrowPath));
        return {};
    }
    ShaderResourceViewPtr view = WithGpuContext([&] { return CreateTargaTexture(*image); });
    if (!view) {
        Report(UnsupportedTextureMessage(narrowPath));
        return {};
    }
    return {std::move(view), "TGA", 0};
}

CTextureManager::LoadedView CTextureManager::LoadExr(const std::string& narrowPath)
{
    // An unreadable EXR is a failed load like any other: a null record would crash the
    // material slots that take it.
    std::optional<ExrImage> image = ReadExrImage(narrowPath);
    ShaderResourceViewPtr view;
    if (image)
        view = WithGpuContext([&] { return CreateExrTexture(*image); });
    if (!view) {
        Report(UnsupportedTextureMessage(narrowPath));
        return {};
    }
    return {std::move(view), "EXR", 0};
}

TextureRecord* CTextureManager::AddLoadedRecord(const std::u16string& widePath, LoadedView loaded)
{
    auto record = std::make_unique<TextureRecord>();
    record->view = std::move(loaded.view);
    record->typeName = std::move(loaded.typeName);
    record->name = widePath;
    ViewSize(record->view, record->size);
    record->secondarySize[0] = record->size[0];
    record->secondarySize[1] = record->size[1];
    record->mipCount = loaded.mipCount;
    record->isBuiltIn = 0;
    TextureRecord* added = record.get();
    {
        std::lock_guard<std::mutex> guard(listLock);
        records.push_back(std::move(record));
    }
    WatchOnce(widePath);
    return added;
}

TextureRecord* CTextureManager::AddFailureRecord()
{
    std::unique_ptr<TextureRecord> record = MakeBuiltIn(kFailedName, errorView);
    TextureRecord* added = record.get();
    std::lock_guard<std::mutex> guard(listLock);
    records.push_back(std::move(record));
    return added;
}

void CTextureManager::WatchOnce(const std::u16string& widePath)
{
    {
        std::lock_guard<std::mutex> guard(listLock);
        if (std::find(watchedPaths.begin(), watchedPaths.end(), widePath) != watchedPaths.end())
            return;
        watchedPaths.push_back(widePath);
        // The watcher's callback table belongs to the window thread.
        if (std::this_thread::get_id() != windowThread) {
            queuedWatches.push_back(widePath);
            return;
        }
    }
    Watch(widePath);
}

void CTextureManager::Watch(const std::u16string& widePath)
{
    if (watcher)
        watcher->WatchWide(widePath,
                           [this](const std::string& path) { OnTextureFileChanged(path); });
}

void CTextureManager::RegisterQueuedWatches()
{
    std::vector<std::u16string> queued;
    {
        std::lock_guard<std::mutex> guard(listLock);
        queued.swap(queuedWatches);
    }
    for (const std::u16string& path : queued)
        Watch(path);
}

ShaderResourceViewPtr CTextureManager::CreateSolidCubeMap(uint8_t red, uint8_t green, uint8_t blue)
{
    return WithGpuContext([&] { return CreateSolidCubeTexture(red, green, blue); });
}

void CTextureManager::OnTextureFileChanged(const std::string& path)
{
    const std::optional<std::u16string> widePath = platform::Utf8ToUtf16(path);
    if (!widePath)
        return;
    size_t firstNew = 0;
    {
        std::lock_guard<std::mutex> guard(listLock);
        firstNew = records.size();
    }
    const bool sceneHeldIt = reloadSceneTextures && reloadSceneTextures(*widePath);
    if (!sceneHeldIt && reloadModelTextures)
        reloadModelTextures(*widePath);
    ShareNewestView(*widePath, firstNew);
    ReportMessage(TextureReloadedMessage(path), MessageLevelInfo);
}

void CTextureManager::ShareNewestView(const std::u16string& widePath, size_t firstNew)
{
    ShaderResourceViewPtr newest;
    {
        std::lock_guard<std::mutex> guard(listLock);
        for (size_t i = records.size(); i > firstNew; --i) {
            const TextureRecord& record = *records[i - 1];
            if (record.name == widePath && record.view) {
                newest = record.view;
                break;
            }
        }
    }
    if (newest)
        ShowEverywhere(widePath, newest);
}

void CTextureManager::ShowEverywhere(const std::u16string& widePath,
                                     const ShaderResourceViewPtr& view)
{
    std::lock_guard<std::mutex> guard(listLock);
    for (const std::unique_ptr<TextureRecord>& record : records) {
        if (record->name == widePath && !record->isBuiltIn)
            record->view = view;
    }
}

void CTextureManager::RefreshRecordView(TextureRecord* record)
{
    if (!record)
        return;
    if (record->name == kFailedName) {
        record->view = nullptr;
        return;
    }
    // A built-in has no file: loading its name would swap it for the checkerboard.
    if (record->isBuiltIn)
        return;
    TextureRecord* fresh = LoadTexture(record->name);
    record->view = fresh->view;
    // The other records of the file would otherwise keep the old texture alive.
    if (fresh->name == record->name)
        ShowEverywhere(record->name, fresh->view);
}

void CTextureManager::SetCacheTargaImages(bool on)
{
    std::lock_guard<std::mutex> guard(listLock);
    cacheTargaImages = on;
    if (!on)
        targaCache.clear();
}

std::vector<TextureRecord*> CTextureManager::Records() const
{
    std::lock_guard<std::mutex> guard(listLock);
    std::vector<TextureRecord*> snapshot;
    snapshot.reserve(records.size());
    for (const std::unique_ptr<TextureRecord>& record : records)
        snapshot.push_back(record.get());
    return snapshot;
}

std::vector<std::u16string> CTextureManager::WatchedPaths() const
{
    std::lock_guard<std::mutex> guard(listLock);
    return watchedPaths;
}
