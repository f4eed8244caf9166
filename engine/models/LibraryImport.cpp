#include "models/LibraryImport.h"

#include <assimp/MemoryIOWrapper.h>
#include <assimp/scene.h>
#include <assimp/IOSystem.hpp>
#include <assimp/Importer.hpp>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <exception>
#include <list>
#include <memory>
#include <mutex>

#include "models/FbxStructureCheck.h"
#include "models/ImportSteps.h"
#include "models/ImportWorker.h"
#include "platform/LargeStackThread.h"
#include "platform/Log.h"
#include "platform/RegularFile.h"

namespace {

// As much of the start as the library's header test reads.
constexpr size_t kFbxHeaderProbeBytes = 200;

// Serves the file already read from memory; any other file the library asks for is read
// the same careful way.
class CheckedFileSystem : public Assimp::IOSystem {
   public:
    CheckedFileSystem(std::string path, const std::string& bytes)
        : mainPath(std::move(path)), mainBytes(bytes)
    {
    }

    bool Exists(const char* file) const override
    {
        return file && (mainPath == file || platform::RegularFile(file).IsOpen());
    }

    char getOsSeparator() const override { return '/'; }

    Assimp::IOStream* Open(const char* file, const char* mode) override
    {
        if (!file || !mode || std::string_view(mode).find_first_of("wa+") != std::string::npos)
            return nullptr;
        const std::string* bytes = &mainBytes;
        if (mainPath != file) {
            platform::FileContents other = platform::ReadRegularFile(file, kMaxModelFileBytes);
            if (other.problem != platform::FileProblem::None)
                return nullptr;
            bytes = &otherFiles.emplace_back(std::move(other.bytes));
        }
        return new Assimp::MemoryIOStream(reinterpret_cast<const uint8_t*>(bytes->data()),
                                          bytes->size());
    }

    void Close(Assimp::IOStream* stream) override { delete stream; }

   private:
    std::string mainPath;
    const std::string& mainBytes;
    std::list<std::string> otherFiles;
};

}  // namespace

bool ReadsAsFbx(const std::filesystem::path& path, std::string_view bytes)
{
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".fbx")
        return true;
    std::string start;
    for (const char c : bytes.substr(0, kFbxHeaderProbeBytes)) {
        if (c != '\0')
            start.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    return start.find("fbx") != std::string::npos;
}

LibraryImport ImportInThisProcess(const std::filesystem::path& path, unsigned flags)
{
    LibraryImport result;
    platform::FileContents file = platform::ReadRegularFile(path, kMaxModelFileBytes);
    if (file.problem != platform::FileProblem::None) {
        result.refusal = platform::FileProblemMessage(file.problem, file.error, path);
        return result;
    }
    if (ReadsAsFbx(path, file.bytes)) {
        if (std::optional<std::string> unsafe =
                FindUnsafeFbxStructure(file.bytes, &result.fileTakes)) {
            result.refusal = "Cannot load " + path.string() + ": " + *unsafe;
            return result;
        }
    }

    auto importer = std::make_shared<Assimp::Importer>();
    // The importer only borrows a handler: it is detached below, before the bytes go.
    CheckedFileSystem files(path.string(), file.bytes);
    importer->SetIOHandler(&files);
    const aiScene* scene = nullptr;
    std::string thrown;
    const std::string threadProblem = platform::RunWithLargeStack([&] {
        try {
            scene = ReadFileWithOwnSteps(*importer, path.string(), flags);
        } catch (const std::exception& error) {
            thrown = error.what();
        }
    });
    importer->SetIOHandler(nullptr);
    if (!thrown.empty()) {
        result.refusal = "Cannot load " + path.string() + ": " + thrown;
        return result;
    }
    if (!threadProblem.empty()) {
        result.refusal =
            "Cannot load " + path.string() + ": no thread to import it on (" + threadProblem + ")";
        return result;
    }
    if (!scene) {
        result.libraryText = importer->GetErrorString();
        return result;
    }
    result.scene = ImportedScenePtr(importer, scene);
    return result;
}

namespace {
std::atomic<uint64_t> libraryImports{0};
}  // namespace

uint64_t LibraryImportCount()
{
    return libraryImports.load();
}

LibraryImport ImportThroughLibrary(const std::filesystem::path& path, unsigned flags)
{
    ++libraryImports;
    std::string why;
    if (std::optional<LibraryImport> imported = ImportInWorker(path, flags, why))
        return std::move(*imported);
    // Said once per reason: a viewer without its worker still loads, unprotected.
    static std::mutex noted;
    static std::string lastReason;
    {
        std::lock_guard<std::mutex> guard(noted);
        if (why != lastReason) {
            lastReason = why;
            platform::ReportMessage(
                "Importing in the viewer's own process: the import worker "
                "could not start (" +
                    why + ")",
                MessageLevelInfo);
        }
    }
    return ImportInThisProcess(path, flags);
}
