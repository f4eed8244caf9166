#include "platform/WorkerProcess.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

extern char** environ;

namespace platform {

namespace {

constexpr int kPollMilliseconds = 10;

std::string SignalText(int signal)
{
    switch (signal) {
        case SIGABRT:
            return "aborted";
        case SIGSEGV:
            return "segmentation fault";
        case SIGKILL:
            return "killed";
        case SIGBUS:
            return "bus error";
        case SIGFPE:
            return "arithmetic fault";
        case SIGILL:
            return "illegal instruction";
        case SIGTERM:
            return "terminated";
        default:
            return "signal";
    }
}

[[noreturn]] void OutOfMemory()
{
    _exit(kWorkerOutOfMemoryExit);
}

uint64_t AnswerSize(int fd)
{
    struct stat about {};
    return fstat(fd, &about) == 0 ? static_cast<uint64_t>(about.st_size) : 0;
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

bool WriteFully(int fd, std::string_view bytes)
{
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        written += static_cast<size_t>(n);
    }
    return true;
}

// The C view of `strings` that exec takes; it lives as long as `strings` is untouched.
std::vector<char*> NullTerminated(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& text : strings)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

int SpawnWorker(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                const posix_spawn_file_actions_t& actions, pid_t& pid)
{
    std::vector<std::string> argv{program.string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return posix_spawn(&pid, program.c_str(), &actions, nullptr, NullTerminated(argv).data(),
                       environ);
}

void EndWorker(pid_t pid)
{
    kill(pid, SIGKILL);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

void DescribeWorkerExit(WorkerRun& run, int status)
{
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) {
        run.end = WorkerEnd::TooLarge;  // its answer outgrew the memory cap
    } else if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        run.end = WorkerEnd::Stopped;
        run.detail = "signal " + std::to_string(signal) + ", " + SignalText(signal);
    } else if (WIFEXITED(status) && WEXITSTATUS(status) == kWorkerOutOfMemoryExit) {
        run.end = WorkerEnd::OutOfMemory;
    } else if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
        run.end = WorkerEnd::Stopped;
        run.detail = "exit status " + std::to_string(WEXITSTATUS(status));
    } else {
        run.end = WorkerEnd::Answered;
    }
}

namespace {

// A helper that has said its answer is whole may still be giving its memory back: it is
// killed and reaped on a thread of its own while the caller reads the answer.
void ReapInBackground(pid_t pid)
{
    kill(pid, SIGKILL);
    try {
        std::thread([pid] {
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        EndWorker(pid);
    }
}

// True once the helper has written its byte to the done descriptor; `done` becomes -1 when
// the helper closed it without one.
bool AnnouncedWhole(int& done)
{
    char byte = 0;
    ssize_t n;
    while ((n = read(done, &byte, 1)) < 0 && errno == EINTR) {
    }
    if (n == 1)
        return true;
    if (n == 0 || errno != EAGAIN) {
        close(done);
        done = -1;
    }
    return false;
}

}  // namespace

WorkerRun RunWorker(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const WorkerLimits& limits, const std::function<bool()>& abandoned,
                    const std::function<void(pid_t)>& started)
{
    WorkerRun run;
    const int answerFd = memfd_create("vornis-worker-answer", MFD_CLOEXEC);
    if (answerFd < 0) {
        run.detail = std::strerror(errno);
        return run;
    }
    int doneEnds[2] = {-1, -1};
    if (pipe2(doneEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
        run.detail = std::strerror(errno);
        close(answerFd);
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, answerFd, kWorkerAnswerFd);
    posix_spawn_file_actions_adddup2(&actions, doneEnds[1], kWorkerDoneFd);
    pid_t pid = 0;
    const int spawned = SpawnWorker(program, arguments, actions, pid);
    posix_spawn_file_actions_destroy(&actions);
    close(doneEnds[1]);
    int done = doneEnds[0];
    auto closeAll = [&](int processFd) {
        if (processFd >= 0)
            close(processFd);
        if (done >= 0)
            close(done);
        close(answerFd);
    };
    if (spawned != 0) {
        closeAll(-1);
        run.detail = std::strerror(spawned);
        return run;
    }
    run.pid = pid;
    if (started)
        started(pid);

    // The process's own descriptor wakes the wait the moment it ends; without one (an old
    // kernel) the wait looks every millisecond.
    const int processFd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    const auto deadline = std::chrono::steady_clock::now() + limits.time;
    int status = 0;
    bool whole = false;
    for (;;) {
        // Said first: a helper that ends badly after its answer was whole has answered.
        if (done >= 0 && AnnouncedWhole(done)) {
            whole = true;
            break;
        }
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid)
            break;
        if (ended < 0 && errno != EINTR) {
            status = 0;
            break;
        }
        if (abandoned && abandoned())
            run.end = WorkerEnd::Abandoned;
        else if (std::chrono::steady_clock::now() >= deadline)
            run.end = WorkerEnd::TimedOut;
        else if (AnswerSize(answerFd) > limits.answerBytes)
            run.end = WorkerEnd::TooLarge;
        else if (processFd >= 0 || done >= 0) {
            pollfd waits[2] = {{processFd, POLLIN, 0}, {done, POLLIN, 0}};
            poll(waits, 2, processFd >= 0 ? kPollMilliseconds : 1);
            continue;
        } else {
            usleep(1000);
            continue;
        }
        EndWorker(pid);
        closeAll(processFd);
        return run;
    }
    if (whole) {
        ReapInBackground(pid);
        run.end = WorkerEnd::Answered;
    } else {
        DescribeWorkerExit(run, status);
    }
    if (run.end == WorkerEnd::Answered) {
        const uint64_t size = AnswerSize(answerFd);
        if (size > limits.answerBytes)
            run.end = WorkerEnd::TooLarge;
        else
            run.answer = WorkerAnswer::Map(answerFd, size);
    }
    closeAll(processFd);
    return run;
}

WorkerAnswer::WorkerAnswer(std::string bytes) : text(std::move(bytes)) {}

WorkerAnswer WorkerAnswer::Map(int fd, uint64_t size)
{
    WorkerAnswer answer;
    if (size == 0)
        return answer;
    void* mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapped == MAP_FAILED)
        return answer;
    answer.mapping = mapped;
    answer.mappedSize = size;
    answer.file = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    return answer;
}

WorkerAnswer::~WorkerAnswer()
{
    clear();
}

WorkerAnswer::WorkerAnswer(WorkerAnswer&& other) noexcept
    : text(std::move(other.text)),
      mapping(std::exchange(other.mapping, nullptr)),
      mappedSize(std::exchange(other.mappedSize, 0)),
      file(std::exchange(other.file, -1))
{
}

WorkerAnswer& WorkerAnswer::operator=(WorkerAnswer&& other) noexcept
{
    if (this != &other) {
        clear();
        text = std::move(other.text);
        mapping = std::exchange(other.mapping, nullptr);
        mappedSize = std::exchange(other.mappedSize, 0);
        file = std::exchange(other.file, -1);
    }
    return *this;
}

std::string_view WorkerAnswer::View() const
{
    if (mapping)
        return {static_cast<const char*>(mapping), mappedSize};
    return text;
}

void WorkerAnswer::Discard(const void* at, size_t bytes)
{
    const auto base = reinterpret_cast<uintptr_t>(mapping);
    const auto first = reinterpret_cast<uintptr_t>(at);
    if (!mapping || file < 0 || first < base || first - base > mappedSize ||
        bytes > mappedSize - (first - base))
        return;
    static const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    // The mapping starts on a page, so whole pages of the file are whole pages here.
    const uintptr_t start = (first - base + page - 1) / page * page;
    const uintptr_t end = (first - base + bytes) / page * page;
    if (end > start)
        fallocate(file, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, static_cast<off_t>(start),
                  static_cast<off_t>(end - start));
}

void WorkerAnswer::clear()
{
    if (mapping)
        munmap(mapping, mappedSize);
    if (file >= 0)
        close(file);
    mapping = nullptr;
    mappedSize = 0;
    file = -1;
    text.clear();
}

bool WriteAnswer(std::string_view bytes)
{
    return WriteFully(kWorkerAnswerFd, bytes);
}

void AnnounceAnswerWhole()
{
    WriteFully(kWorkerDoneFd, "1");
}

std::string DescribeWorkerFailure(const WorkerRun& run, const WorkerLimits& limits)
{
    switch (run.end) {
        case WorkerEnd::Stopped:
            return "stopped (" + run.detail + ")";
        case WorkerEnd::OutOfMemory:
        case WorkerEnd::TooLarge:
            return "ran out of memory";
        case WorkerEnd::TimedOut:
            return "took longer than " + Seconds(limits.time) + " s";
        case WorkerEnd::Answered:
        case WorkerEnd::CouldNotStart:
        case WorkerEnd::Abandoned:
            break;
    }
    return {};
}

std::filesystem::path FindHelperProgram(const std::string& name)
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&FindHelperProgram), &info) || !info.dli_fname)
        return {};
    std::error_code ec;
    const std::filesystem::path here =
        std::filesystem::weakly_canonical(std::filesystem::path(info.dli_fname), ec).parent_path();
    for (const std::filesystem::path& candidate :
         {here / name, here / "vornis" / name, here / VORNIS_HELPER_DIR_FROM_BIN / name}) {
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

uint64_t HelperMemoryCap()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    const uint64_t cap = uint64_t{8} << 30;
    if (pages <= 0 || pageSize <= 0)
        return cap;
    return std::min(cap, static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) / 4 * 3);
}

void EnterHelperLimits(uint64_t memoryBytes)
{
    close_range(kWorkerDoneFd + 1, ~0u, 0);
    std::set_new_handler(OutOfMemory);
    // The answer is an in-memory file: it counts against the same cap.
    if (memoryBytes > 0) {
        const rlimit answerCap{memoryBytes, memoryBytes};
        setrlimit(RLIMIT_FSIZE, &answerCap);
    }
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    (void)memoryBytes;
#else
    if (memoryBytes > 0) {
        const rlimit cap{memoryBytes, memoryBytes};
        setrlimit(RLIMIT_AS, &cap);
    }
#endif
}

}  // namespace platform
