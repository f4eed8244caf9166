#include "models/LibraryImport.h"

#include <assimp/MemoryIOWrapper.h>
#include <assimp/scene.h>
#include <assimp/IOSystem.hpp>
#include <assimp/Importer.hpp>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <exception>
#include <list>
#include <memory>
#include <mutex>

#include "models/FbxArrayInflate.h"
#include "models/FbxStructureCheck.h"
#include "models/ImportSteps.h"
#include "models/ImportWorker.h"
#include "platform/LargeStackThread.h"
#include "platform/Log.h"
#include "platform/RegularFile.h"

namespace {

// As much of the start as the library's header test reads.
constexpr size_t kFbxHeaderProbeBytes = 200;

class CheckedFileSystem;

// A stream over the file the library was asked to import, as it was read for the check.
class MainFileStream : public Assimp::IOStream {
   public:
    explicit MainFileStream(CheckedFileSystem& files);
    size_t Read(void* buffer, size_t size, size_t count) override;
    size_t Write(const void*, size_t, size_t) override { return 0; }
    aiReturn Seek(size_t offset, aiOrigin origin) override;
    size_t Tell() const override { return position; }
    size_t FileSize() const override { return length; }
    void Flush() override {}

   private:
    CheckedFileSystem& files;
    size_t length;
    size_t position = 0;
};

// Serves the file already read from memory; any other file the library asks for is read
// the same careful way. The FBX importer reads its file whole into a buffer of its own,
// once: the checked bytes go as soon as it has them, so that a large file is not held
// twice while it is parsed (150 MB of a 150 MB text file's peak). The file is not read
// again after that: a second look at it would not be the checked bytes.
class CheckedFileSystem : public Assimp::IOSystem {
   public:
    // The file's bytes are `inflated` where it holds any (FbxArrayInflate.h), else `bytes`.
    CheckedFileSystem(std::string path, std::string bytes, FbxFileBytes inflated,
                      bool handOverWhenReadWhole)
        : mainPath(std::move(path)),
          mainBytes(std::move(bytes)),
          inflatedBytes(std::move(inflated)),
          handOverWhenReadWhole(handOverWhenReadWhole)
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
        if (mainPath == file)
            return handedOver ? nullptr : new MainFileStream(*this);
        platform::FileContents other = platform::ReadRegularFile(file, kMaxModelFileBytes);
        if (other.problem != platform::FileProblem::None)
            return nullptr;
        const std::string& bytes = otherFiles.emplace_back(std::move(other.bytes));
        return new Assimp::MemoryIOStream(reinterpret_cast<const uint8_t*>(bytes.data()),
                                          bytes.size());
    }

    void Close(Assimp::IOStream* stream) override { delete stream; }

    // Empty once handed over.
    std::string_view MainBytes() const
    {
        return inflatedBytes.empty() ? std::string_view(mainBytes)
                                     : std::string_view(inflatedBytes.data(), inflatedBytes.size());
    }

    void MainBytesReadWhole()
    {
        if (!handOverWhenReadWhole)
            return;
        handedOver = true;
        std::string().swap(mainBytes);
        FbxFileBytes().swap(inflatedBytes);
    }

   private:
    std::string mainPath;
    std::string mainBytes;
    FbxFileBytes inflatedBytes;
    bool handOverWhenReadWhole;
    bool handedOver = false;
    std::list<std::string> otherFiles;
};

MainFileStream::MainFileStream(CheckedFileSystem& files)
    : files(files), length(files.MainBytes().size())
{
}

size_t MainFileStream::Read(void* buffer, size_t size, size_t count)
{
    const std::string_view bytes = files.MainBytes();
    if (size == 0 || position >= bytes.size())
        return 0;
    const size_t items = std::min(count, (bytes.size() - position) / size);
    std::memcpy(buffer, bytes.data() + position, items * size);
    const bool whole = position == 0 && items * size == bytes.size();
    position += items * size;
    if (whole)
        files.MainBytesReadWhole();
    return items;
}

aiReturn MainFileStream::Seek(size_t offset, aiOrigin origin)
{
    if (origin != aiOrigin_SET && origin != aiOrigin_CUR && origin != aiOrigin_END)
        return aiReturn_FAILURE;
    const size_t from = origin == aiOrigin_SET ? 0 : origin == aiOrigin_CUR ? position : length;
    if (origin == aiOrigin_END ? offset > length : offset > length - from)
        return aiReturn_FAILURE;
    position = origin == aiOrigin_END ? length - offset : from + offset;
    return aiReturn_SUCCESS;
}

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
    const bool fbx = ReadsAsFbx(path, file.bytes);
    if (fbx) {
        if (std::optional<std::string> unsafe =
                FindUnsafeFbxStructure(file.bytes, &result.fileTakes)) {
            result.refusal = "Cannot load " + path.string() + ": " + *unsafe;
            return result;
        }
    }

    // Only the FBX importer is known to read its file once and whole; a misnamed file that
    // another importer claims keeps its bytes for as many reads as that importer makes.
    const bool readOnceWhole = ReadsAsFbx({}, file.bytes);
    FbxFileBytes inflated;
    if (fbx) {
        if (std::optional<FbxFileBytes> plain = InflateFbxArrays(file.bytes)) {
            inflated = std::move(*plain);
            std::string().swap(file.bytes);
        }
    }

    auto importer = std::make_shared<Assimp::Importer>();
    // The importer only borrows a handler: it is detached below, before the handler goes.
    CheckedFileSystem files(path.string(), std::move(file.bytes), std::move(inflated),
                            readOnceWhole);
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
