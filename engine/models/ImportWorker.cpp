#include "models/ImportWorker.h"

#include <assimp/scene.h>

#include <atomic>
#include <cstring>
#include <mutex>

#include "models/SceneTransfer.h"

namespace {

constexpr uint32_t kAnswerMagic = 0x564e4131;  // "VNA1"

std::mutex limitsLock;
platform::WorkerLimits workerLimits;
std::atomic<bool> workerEnabled{true};
std::atomic<pid_t> latestPid{0};
thread_local std::function<bool()> abandonCheck;

void PutText(std::string& out, const std::string& text)
{
    const auto length = static_cast<uint32_t>(text.size());
    out.append(reinterpret_cast<const char*>(&length), sizeof length);
    out.append(text);
}

bool GetText(std::string_view& in, std::string& text)
{
    uint32_t length = 0;
    if (in.size() < sizeof length)
        return false;
    std::memcpy(&length, in.data(), sizeof length);
    in.remove_prefix(sizeof length);
    if (in.size() < length)
        return false;
    text.assign(in.substr(0, length));
    in.remove_prefix(length);
    return true;
}

std::string Seconds(std::chrono::milliseconds time)
{
    std::string text = std::to_string(time.count() / 1000) + "." +
                       std::to_string(1000 + time.count() % 1000).substr(1);
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    return text;
}

}  // namespace

std::string EncodeImportAnswer(const LibraryImport& imported)
{
    std::string out;
    out.append(reinterpret_cast<const char*>(&kAnswerMagic), sizeof kAnswerMagic);
    out.append(reinterpret_cast<const char*>(&imported.fileTakes), sizeof imported.fileTakes);
    PutText(out, imported.refusal);
    PutText(out, imported.libraryText);
    out.push_back(imported.scene ? 1 : 0);
    if (imported.scene)
        out += EncodeScene(*imported.scene);
    return out;
}

std::optional<LibraryImport> ImportInWorker(const std::filesystem::path& path, unsigned flags,
                                            std::string& why)
{
    if (!workerEnabled.load()) {
        why = "turned off";
        return std::nullopt;
    }
    if (abandonCheck && abandonCheck()) {
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
    const platform::WorkerRun run = platform::RunWorker(
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
            result.refusal = prefix + "stopped (" + run.detail + ")";
            return result;
        case platform::WorkerEnd::OutOfMemory:
        case platform::WorkerEnd::TooLarge:
            result.refusal = prefix + "ran out of memory";
            return result;
        case platform::WorkerEnd::TimedOut:
            result.refusal = prefix + "took longer than " + Seconds(limits.time) + " s";
            return result;
        case platform::WorkerEnd::Answered:
            break;
    }

    std::string_view answer = run.answer;
    uint32_t magic = 0;
    bool whole = answer.size() >= sizeof magic + sizeof result.fileTakes + 1;
    if (whole) {
        std::memcpy(&magic, answer.data(), sizeof magic);
        answer.remove_prefix(sizeof magic);
        std::memcpy(&result.fileTakes, answer.data(), sizeof result.fileTakes);
        answer.remove_prefix(sizeof result.fileTakes);
        whole = magic == kAnswerMagic && GetText(answer, result.refusal) &&
                GetText(answer, result.libraryText) && !answer.empty();
    }
    if (!whole) {
        result = {};
        result.refusal = prefix + "gave no answer";
        return result;
    }
    const bool hasScene = answer.front() != 0;
    answer.remove_prefix(1);
    if (hasScene) {
        std::string problem;
        std::unique_ptr<aiScene> scene = DecodeScene(answer, problem);
        if (!scene) {
            result.refusal = "Cannot load " + path.string() + ": " + problem;
            return result;
        }
        result.scene = ImportedScenePtr(std::move(scene));
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
