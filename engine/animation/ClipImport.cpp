#include "animation/ClipImport.h"

#include <assimp/DefaultLogger.hpp>

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>

#include "models/LibraryImport.h"
#include "models/ModelImporter.h"

namespace {

// A file's scene while any controller holds it, for the file as it was then: every skinned
// mesh of a model takes its bind pose from the model file, which is imported once for all.
struct SharedClipFile {
    std::filesystem::file_time_type written;
    std::uintmax_t size = 0;
    std::weak_ptr<const aiScene> scene;
};

std::mutex sharedLock;
std::map<std::string, SharedClipFile> shared;
std::atomic<uint64_t> imports{0};

}  // namespace

ClipImport ImportClipFile(const std::string& path)
{
    std::error_code timeError, sizeError;
    const auto written = std::filesystem::last_write_time(path, timeError);
    const auto size = std::filesystem::file_size(path, sizeError);
    const bool identified = !timeError && !sizeError;
    if (identified) {
        std::lock_guard<std::mutex> guard(sharedLock);
        const auto found = shared.find(path);
        if (found != shared.end() && found->second.written == written && found->second.size == size)
            if (ImportedScenePtr scene = found->second.scene.lock())
                return {std::move(scene), {}};
    }
    ++imports;
    LibraryImport imported = ImportThroughLibrary(path, kAnimationImportFlags);
    ClipImport result;
    result.scene = std::move(imported.scene);
    result.errorText = imported.refusal.empty() ? imported.libraryText : imported.refusal;
    if (identified && result.scene) {
        std::lock_guard<std::mutex> guard(sharedLock);
        std::erase_if(shared, [](const auto& entry) { return entry.second.scene.expired(); });
        shared[path] = {written, size, result.scene};
    }
    return result;
}

uint64_t ClipFileImportCount()
{
    return imports.load();
}

void LogImportNote(const std::string& text, bool isError)
{
    Assimp::Logger* logger = Assimp::DefaultLogger::get();
    if (!logger)
        return;
    if (isError)
        logger->error(text.c_str());
    else
        logger->info(text.c_str());
}
