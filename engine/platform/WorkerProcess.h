// A helper program run for one job: it writes its answer to a pipe and ends. The caller
// waits with a time cap and may give up at any moment (a newer request); either way the
// process is killed and reaped before the call returns, so none outlives its job. One that
// has said its answer is whole is killed at once and reaped in the background while the
// caller reads the answer.
#pragma once

#include <spawn.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The descriptor the helper writes its answer to.
constexpr int kWorkerAnswerFd = 3;
// The descriptor a helper run by RunWorker writes one byte to once its answer is whole: the
// caller reads the answer at once instead of waiting while a large process gives its memory
// back (tens of milliseconds for a large model's import).
constexpr int kWorkerDoneFd = 4;
// The exit status of a helper whose allocation failed under its memory cap.
constexpr int kWorkerOutOfMemoryExit = 75;

struct WorkerLimits {
    std::chrono::milliseconds time{120000};
    uint64_t answerBytes = uint64_t{8} << 30;
};

enum class WorkerEnd {
    Answered,
    CouldNotStart,
    Stopped,
    OutOfMemory,
    TimedOut,
    Abandoned,
    TooLarge
};

// What a helper wrote to its answer descriptor: an in-memory file mapped read-only (a
// large scene is never copied on its way in), or bytes received.
class WorkerAnswer {
   public:
    WorkerAnswer() = default;
    explicit WorkerAnswer(std::string bytes);
    // The first `size` bytes of the file `fd`; empty when it cannot be mapped.
    static WorkerAnswer Map(int fd, uint64_t size);
    ~WorkerAnswer();
    WorkerAnswer(WorkerAnswer&& other) noexcept;
    WorkerAnswer& operator=(WorkerAnswer&& other) noexcept;
    WorkerAnswer(const WorkerAnswer&) = delete;
    WorkerAnswer& operator=(const WorkerAnswer&) = delete;

    std::string_view View() const;
    // Gives the whole pages of the mapped bytes in [at, at + bytes) back to the system; they
    // read as zeros afterwards. For bytes that were copied out and are never read again.
    // Nothing happens to received bytes.
    void Discard(const void* at, size_t bytes);
    void clear();

   private:
    std::string text;
    void* mapping = nullptr;
    uint64_t mappedSize = 0;
    int file = -1;  // the mapped file, kept for giving pages back
};

struct WorkerRun {
    WorkerEnd end = WorkerEnd::CouldNotStart;
    WorkerAnswer answer;  // empty unless Answered
    // For CouldNotStart the system's reason; for Stopped "signal 6, aborted" or
    // "exit status 2".
    std::string detail;
    pid_t pid = 0;
};

// Runs `program` with `arguments`, its input from /dev/null and its errors to ours; its
// answer descriptor is an in-memory file, read once the helper has ended or said on its
// done descriptor that the answer is whole (it is then killed and reaped in the background).
// `abandoned` is asked every few milliseconds.
WorkerRun RunWorker(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const WorkerLimits& limits, const std::function<bool()>& abandoned,
                    const std::function<void(pid_t)>& started = {});

// What ended a helper that gave no answer, as the end of a sentence that names the helper:
// "stopped (signal 6, aborted)", "ran out of memory", "took longer than 120 s". Empty for
// an answer, a refused start or an abandoned run, which callers word themselves.
std::string DescribeWorkerFailure(const WorkerRun& run, const WorkerLimits& limits);

// A helper program of ours: beside the running code (the build tree), in vornis/ beside the
// engine library of an installed tree, or there as seen from bin/ (programs that link the
// engine in). Empty when it is in none of them.
std::filesystem::path FindHelperProgram(const std::string& name);

// The memory a helper may take: 8 GiB, or three quarters of physical memory when less.
uint64_t HelperMemoryCap();

// Starts `program` with `arguments`, the given descriptors and this process's environment;
// 0, or the system's error.
int SpawnWorker(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                const posix_spawn_file_actions_t& actions, pid_t& pid);
// Kills and reaps: nothing is left behind as a zombie or a runaway.
void EndWorker(pid_t pid);
// How a reaped helper ended, from its wait status: Answered for exit status 0.
void DescribeWorkerExit(WorkerRun& run, int status);

// In a helper: writes its whole answer; false when the reader has gone.
bool WriteAnswer(std::string_view bytes);
// In a helper, after the last of its answer: nothing it does from here on counts.
void AnnounceAnswerWhole();

// Called first in a helper: closes every descriptor above the done descriptor, caps the address
// space at `memoryBytes` (not under AddressSanitizer, whose shadow memory the cap would
// refuse) and ends the process with kWorkerOutOfMemoryExit when an allocation fails.
void EnterHelperLimits(uint64_t memoryBytes);

}  // namespace platform
