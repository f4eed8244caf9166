#include "models/ImportWorker.h"

#include <assimp/scene.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "models/SceneTransfer.h"
#include "platform/WorkerMessage.h"

namespace {

constexpr uint32_t kAnswerMagic = 0x564e4131;  // "VNA1"

// Zero bytes after the texts, so that the scene after the head's last byte starts at a
// multiple of 8 and its arrays can be used where they lie in the answer.
size_t HeadPadding(size_t textsEnd)
{
    return (8 - (textsEnd + 1) % 8) % 8;
}

std::mutex limitsLock;
platform::WorkerLimits workerLimits;
std::atomic<bool> workerEnabled{true};
std::atomic<pid_t> latestPid{0};
thread_local std::function<bool()> abandonCheck;

}  // namespace

bool WriteImportAnswer(const LibraryImport& imported)
{
    std::string head;
    platform::PutWord(head, kAnswerMagic);
    platform::PutWord(head, imported.fileTakes);
    platform::PutText(head, imported.refusal);
    platform::PutText(head, imported.libraryText);
    head.append(HeadPadding(head.size()), '\0');
    head.push_back(imported.scene ? 1 : 0);
    // The scene goes out as it is encoded: its arrays are not copied into a buffer first.
    return platform::WriteAnswer(head) &&
           (!imported.scene || WriteScene(*imported.scene, platform::WriteAnswer));
}

std::optional<LibraryImport> ImportInWorker(const std::filesystem::path& path, unsigned flags,
                                            std::string& why)
{
    if (!workerEnabled.load()) {
        why = "turned off";
        return std::nullopt;
    }
    if (ImportAbandonedOnThisThread()) {
        LibraryImport abandoned;
        abandoned.refusal = kImportAbandoned;
        return abandoned;
    }
    const std::filesystem::path program = platform::FindHelperProgram(kImportWorkerName);
    if (program.empty()) {
        why = std::string(kImportWorkerName) + " is not installed beside the viewer";
        return std::nullopt;
    }
    platform::WorkerLimits limits;
    {
        std::lock_guard<std::mutex> guard(limitsLock);
        limits = workerLimits;
    }
    const uint64_t memoryCap = platform::HelperMemoryCap();
    limits.answerBytes = memoryCap;
    platform::WorkerRun run = platform::RunWorker(
        program, {std::to_string(flags), std::to_string(memoryCap), path.string()}, limits,
        abandonCheck, [](pid_t pid) { latestPid.store(pid); });

    LibraryImport result;
    const std::string prefix = "Cannot load " + path.string() + ": the import library ";
    switch (run.end) {
        case platform::WorkerEnd::CouldNotStart:
            why = run.detail;
            return std::nullopt;
        case platform::WorkerEnd::Abandoned:
            result.refusal = kImportAbandoned;
            return result;
        case platform::WorkerEnd::Stopped:
        case platform::WorkerEnd::OutOfMemory:
        case platform::WorkerEnd::TooLarge:
        case platform::WorkerEnd::TimedOut:
            result.refusal = prefix + platform::DescribeWorkerFailure(run, limits);
            return result;
        case platform::WorkerEnd::Answered:
            break;
    }

    // The scene's arrays are used where they lie in the answer, which lives as long as it.
    const std::shared_ptr<platform::WorkerAnswer> kept =
        std::make_shared<platform::WorkerAnswer>(std::move(run.answer));
    std::string_view answer = kept->View();
    const size_t answerBytes = answer.size();
    uint32_t magic = 0;
    bool whole = platform::GetWord(answer, magic) && magic == kAnswerMagic &&
                 platform::GetWord(answer, result.fileTakes) &&
                 platform::GetText(answer, result.refusal) &&
                 platform::GetText(answer, result.libraryText);
    const size_t padding = HeadPadding(answerBytes - answer.size());
    whole = whole && answer.size() > padding;
    if (whole)
        answer.remove_prefix(padding);
    if (!whole) {
        result = {};
        result.refusal = prefix + "gave no answer";
        return result;
    }
    const bool hasScene = answer.front() != 0;
    answer.remove_prefix(1);
    if (hasScene) {
        std::string problem;
        // The scene holds `kept`, so the answer outlives every discard.
        platform::WorkerAnswer* pages = kept.get();
        result.scene = DecodeSceneInPlace(
            answer, kept, problem,
            [pages](const void* at, size_t bytes) { pages->Discard(at, bytes); });
        if (!result.scene) {
            result.refusal = "Cannot load " + path.string() + ": " + problem;
            return result;
        }
    }
    return result;
}

ImportAbandonScope::ImportAbandonScope(std::function<bool()> abandoned)
    : previous(std::move(abandonCheck))
{
    abandonCheck = std::move(abandoned);
}

ImportAbandonScope::~ImportAbandonScope()
{
    abandonCheck = std::move(previous);
}

bool ImportAbandonedOnThisThread()
{
    return abandonCheck && abandonCheck();
}

void SetImportWorkerLimits(const platform::WorkerLimits& limits)
{
    std::lock_guard<std::mutex> guard(limitsLock);
    workerLimits = limits;
}

void SetImportWorkerEnabled(bool enabled)
{
    workerEnabled.store(enabled);
}

pid_t LatestImportWorkerPid()
{
    return latestPid.load();
}
