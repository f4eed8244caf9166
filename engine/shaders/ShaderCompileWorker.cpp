#include "shaders/ShaderCompileWorker.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/Log.h"
#include "platform/ServingWorker.h"
#include "platform/WorkerMessage.h"

namespace {

constexpr uint32_t kJobMagic = 0x564e4831;     // "VNH1"
constexpr uint32_t kResultMagic = 0x564e4832;  // "VNH2"

// Bytecode and the included files, each far below this.
constexpr uint64_t kMaxAnswerBytes = uint64_t{1} << 30;

std::mutex limitsLock;
platform::WorkerLimits workerLimits;
std::atomic<bool> workerEnabled{true};

void PutTexts(std::string& out, const std::vector<std::string>& texts)
{
    platform::PutWord(out, static_cast<uint32_t>(texts.size()));
    for (const std::string& text : texts)
        platform::PutText(out, text);
}

// A count of fields that each take at least one word: never more than the bytes left hold,
// so that a damaged count cannot make anything large.
bool GetCount(std::string_view& in, uint32_t& count)
{
    return platform::GetWord(in, count) && count <= in.size() / sizeof(uint32_t);
}

bool GetTexts(std::string_view& in, std::vector<std::string>& texts)
{
    uint32_t count = 0;
    if (!GetCount(in, count))
        return false;
    texts.resize(count);
    for (std::string& text : texts)
        if (!platform::GetText(in, text))
            return false;
    return true;
}

platform::WorkerLimits Limits()
{
    std::lock_guard<std::mutex> guard(limitsLock);
    return workerLimits;
}

HlslCompileResult Failed(const HlslCompileJob& job, const std::string& why)
{
    HlslCompileResult result;
    result.errorText = job.sourceName + ": the shader compiler " + why;
    result.debugLines.push_back(result.errorText);
    return result;
}

// Idle workers, one per compiling thread at most: a compile takes one (or a new one) and
// gives it back, so that each worker builds the compiler's tables once.
class WorkerPool {
   public:
    std::unique_ptr<platform::ServingWorker> Take(const std::filesystem::path& program)
    {
        {
            std::lock_guard<std::mutex> guard(lock);
            if (!idle.empty()) {
                std::unique_ptr<platform::ServingWorker> worker = std::move(idle.back());
                idle.pop_back();
                return worker;
            }
        }
        return std::make_unique<platform::ServingWorker>(
            program, std::vector<std::string>{std::to_string(platform::HelperMemoryCap())});
    }
    void Give(std::unique_ptr<platform::ServingWorker> worker)
    {
        std::lock_guard<std::mutex> guard(lock);
        idle.push_back(std::move(worker));
    }

   private:
    std::mutex lock;
    std::vector<std::unique_ptr<platform::ServingWorker>> idle;
};

WorkerPool& Pool()
{
    static WorkerPool pool;
    return pool;
}

// Said once for each new reason, not for every shader compiled here.
void NoteInProcess(const std::string& why)
{
    static std::mutex noted;
    static std::string lastReason;
    std::lock_guard<std::mutex> guard(noted);
    if (why == lastReason)
        return;
    lastReason = why;
    platform::ReportMessage(
        "Compiling shaders in the viewer's own process: the shader worker could not start (" + why +
            ")",
        MessageLevelInfo);
}

}  // namespace

std::string EncodeHlslJob(const HlslCompileJob& job)
{
    std::string out;
    platform::PutWord(out, kJobMagic);
    platform::PutText(out, job.sourceName);
    platform::PutText(out, job.source);
    platform::PutText(out, job.entryPoint);
    platform::PutWord(out, job.stage == ShaderStage::Vertex ? 0 : 1);
    platform::PutWord(out, static_cast<uint32_t>(job.macros.size()));
    for (const auto& [name, value] : job.macros) {
        platform::PutText(out, name);
        platform::PutText(out, value);
    }
    std::vector<std::string> roots;
    for (const std::filesystem::path& root : job.layout.roots)
        roots.push_back(root.string());
    PutTexts(out, roots);
    platform::PutText(out, job.layout.userShaderDirectory.string());
    return out;
}

std::optional<HlslCompileJob> DecodeHlslJob(std::string_view in)
{
    HlslCompileJob job;
    uint32_t magic = 0;
    uint32_t stage = 0;
    uint32_t macros = 0;
    if (!platform::GetWord(in, magic) || magic != kJobMagic ||
        !platform::GetText(in, job.sourceName) || !platform::GetText(in, job.source) ||
        !platform::GetText(in, job.entryPoint) || !platform::GetWord(in, stage) || stage > 1 ||
        !GetCount(in, macros))
        return std::nullopt;
    job.stage = stage == 0 ? ShaderStage::Vertex : ShaderStage::Pixel;
    job.macros.resize(macros);
    for (auto& [name, value] : job.macros)
        if (!platform::GetText(in, name) || !platform::GetText(in, value))
            return std::nullopt;
    std::vector<std::string> roots;
    std::string userShaders;
    if (!GetTexts(in, roots) || !platform::GetText(in, userShaders) || !in.empty())
        return std::nullopt;
    job.layout.roots.assign(roots.begin(), roots.end());
    job.layout.userShaderDirectory = userShaders;
    return job;
}

std::string EncodeHlslResult(const HlslCompileResult& result)
{
    std::string out;
    platform::PutWord(out, kResultMagic);
    platform::PutText(out, std::string_view(reinterpret_cast<const char*>(result.code.data()),
                                            result.code.size() * sizeof(uint32_t)));
    platform::PutText(out, result.errorText);
    PutTexts(out, result.debugLines);
    platform::PutWord(out, static_cast<uint32_t>(result.includes.size()));
    for (const shader_cache::IncludedFile& file : result.includes) {
        platform::PutText(out, file.path);
        platform::PutText(out, file.content);
    }
    return out;
}

std::optional<HlslCompileResult> DecodeHlslResult(std::string_view in)
{
    HlslCompileResult result;
    uint32_t magic = 0;
    std::string code;
    uint32_t includes = 0;
    if (!platform::GetWord(in, magic) || magic != kResultMagic || !platform::GetText(in, code) ||
        code.size() % sizeof(uint32_t) != 0 || !platform::GetText(in, result.errorText) ||
        !GetTexts(in, result.debugLines) || !GetCount(in, includes))
        return std::nullopt;
    result.code.resize(code.size() / sizeof(uint32_t));
    if (!code.empty())  // a failed compile has no words, and no buffer to copy into
        std::memcpy(result.code.data(), code.data(), code.size());
    result.includes.resize(includes);
    for (shader_cache::IncludedFile& file : result.includes)
        if (!platform::GetText(in, file.path) || !platform::GetText(in, file.content))
            return std::nullopt;
    if (!in.empty())
        return std::nullopt;
    return result;
}

HlslCompileResult CompileHlslInWorker(const HlslCompileJob& job)
{
    const std::filesystem::path program = workerEnabled.load()
                                              ? platform::FindHelperProgram(kShaderWorkerName)
                                              : std::filesystem::path();
    if (program.empty()) {
        NoteInProcess(workerEnabled.load()
                          ? std::string(kShaderWorkerName) + " is not installed beside the viewer"
                          : "turned off");
        return CompileHlsl(job);
    }
    platform::WorkerLimits limits = Limits();
    limits.answerBytes = kMaxAnswerBytes;
    std::unique_ptr<platform::ServingWorker> worker = Pool().Take(program);
    const platform::WorkerRun run = worker->Ask(EncodeHlslJob(job), limits);
    Pool().Give(std::move(worker));
    switch (run.end) {
        case platform::WorkerEnd::CouldNotStart:
            NoteInProcess(run.detail);
            return CompileHlsl(job);
        case platform::WorkerEnd::Answered:
            if (std::optional<HlslCompileResult> result = DecodeHlslResult(run.answer.View()))
                return std::move(*result);
            return Failed(job, "gave no answer");
        default:
            return Failed(job, platform::DescribeWorkerFailure(run, limits));
    }
}

void SetShaderWorkerLimits(const platform::WorkerLimits& limits)
{
    std::lock_guard<std::mutex> guard(limitsLock);
    workerLimits = limits;
}

void SetShaderWorkerEnabled(bool enabled)
{
    workerEnabled.store(enabled);
}
