#include "platform/WorkerProcess.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

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

// An in-memory file holding `input`, read from its start; -1 (and errno) when it cannot be made.
int InputFile(std::string_view input)
{
    const int fd = memfd_create("vornis-worker-input", MFD_CLOEXEC);
    if (fd < 0)
        return -1;
    if (!WriteFully(fd, input) || lseek(fd, 0, SEEK_SET) != 0) {
        const int error = errno;
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

}  // namespace

int SpawnWorker(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                const posix_spawn_file_actions_t& actions, pid_t& pid)
{
    std::vector<std::string> argv{program.string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> argp;
    for (std::string& argument : argv)
        argp.push_back(argument.data());
    argp.push_back(nullptr);
    return posix_spawn(&pid, program.c_str(), &actions, nullptr, argp.data(), environ);
}

void EndWorker(pid_t pid)
{
    kill(pid, SIGKILL);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

void DescribeWorkerExit(WorkerRun& run, int status)
{
    if (WIFSIGNALED(status)) {
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

WorkerRun RunWorker(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const WorkerLimits& limits, const std::function<bool()>& abandoned,
                    const std::function<void(pid_t)>& started, std::string_view input)
{
    WorkerRun run;
    const int inputFd = input.empty() ? -1 : InputFile(input);
    if (!input.empty() && inputFd < 0) {
        run.detail = std::strerror(errno);
        return run;
    }
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        run.detail = std::strerror(errno);
        if (inputFd >= 0)
            close(inputFd);
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (inputFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, inputFd, 0);
    else
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], kWorkerAnswerFd);
    pid_t pid = 0;
    const int spawned = SpawnWorker(program, arguments, actions, pid);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (inputFd >= 0)
        close(inputFd);
    if (spawned != 0) {
        close(pipeEnds[0]);
        run.detail = std::strerror(spawned);
        return run;
    }
    run.pid = pid;
    if (started)
        started(pid);

    const auto deadline = std::chrono::steady_clock::now() + limits.time;
    bool open = true;
    char buffer[1 << 16];
    while (open) {
        if (abandoned && abandoned()) {
            run.end = WorkerEnd::Abandoned;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            run.end = WorkerEnd::TimedOut;
            break;
        }
        pollfd wait{pipeEnds[0], POLLIN, 0};
        const int ready = poll(&wait, 1, kPollMilliseconds);
        if (ready <= 0)
            continue;
        const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            open = false;
            break;
        }
        if (run.answer.size() + static_cast<size_t>(got) > limits.answerBytes) {
            run.end = WorkerEnd::TooLarge;
            break;
        }
        run.answer.append(buffer, static_cast<size_t>(got));
    }
    close(pipeEnds[0]);
    if (open) {
        EndWorker(pid);
        run.answer.clear();
        return run;
    }
    // The answer is complete; the process is ending. Wait for it within the same cap.
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR) {
            status = 0;
            break;
        }
        if ((abandoned && abandoned()) || std::chrono::steady_clock::now() >= deadline) {
            run.end = abandoned && abandoned() ? WorkerEnd::Abandoned : WorkerEnd::TimedOut;
            EndWorker(pid);
            run.answer.clear();
            return run;
        }
        usleep(1000);
    }
    DescribeWorkerExit(run, status);
    if (run.end != WorkerEnd::Answered)
        run.answer.clear();
    return run;
}

bool WriteAnswer(std::string_view bytes)
{
    return WriteFully(kWorkerAnswerFd, bytes);
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
    close_range(kWorkerAnswerFd + 1, ~0u, 0);
    std::set_new_handler(OutOfMemory);
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
