#include "platform/ServingWorker.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPollMilliseconds = 10;

enum class Transfer { Done, Closed, TimedOut };

int MillisecondsLeft(Clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::clamp<int64_t>(left.count(), 0, kPollMilliseconds));
}

// Sends all of `bytes` before the deadline; never raises SIGPIPE when the helper has gone.
Transfer SendAll(int fd, std::string_view bytes, Clock::time_point deadline)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        if (Clock::now() >= deadline)
            return Transfer::TimedOut;
        pollfd wait{fd, POLLOUT, 0};
        if (poll(&wait, 1, MillisecondsLeft(deadline)) <= 0)
            continue;
        const ssize_t n =
            send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return Transfer::Closed;
        sent += static_cast<size_t>(n);
    }
    return Transfer::Done;
}

// Receives exactly `size` bytes into `out` before the deadline.
Transfer ReceiveAll(int fd, char* out, size_t size, Clock::time_point deadline)
{
    size_t got = 0;
    while (got < size) {
        if (Clock::now() >= deadline)
            return Transfer::TimedOut;
        pollfd wait{fd, POLLIN, 0};
        if (poll(&wait, 1, MillisecondsLeft(deadline)) <= 0)
            continue;
        const ssize_t n = recv(fd, out + got, size - got, MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return Transfer::Closed;
        got += static_cast<size_t>(n);
    }
    return Transfer::Done;
}

std::string Framed(std::string_view bytes)
{
    const uint64_t length = bytes.size();
    std::string out(reinterpret_cast<const char*>(&length), sizeof length);
    out.append(bytes);
    return out;
}

bool ReadFully(int fd, char* out, size_t size)
{
    size_t got = 0;
    while (got < size) {
        const ssize_t n = read(fd, out + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

ServingWorker::ServingWorker(std::filesystem::path program, std::vector<std::string> arguments)
    : program(std::move(program)), arguments(std::move(arguments))
{
}

ServingWorker::~ServingWorker()
{
    Stop(nullptr);
}

bool ServingWorker::Start(WorkerRun& run)
{
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        run.detail = std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], 0);
    posix_spawn_file_actions_adddup2(&actions, ends[1], kWorkerAnswerFd);
    // Nothing of this process's stays open there: this helper never says it is done.
    posix_spawn_file_actions_addopen(&actions, kWorkerDoneFd, "/dev/null", O_WRONLY, 0);
    const int spawned = SpawnWorker(program, arguments, actions, pid);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    if (spawned != 0) {
        close(ends[0]);
        pid = 0;
        run.detail = std::strerror(spawned);
        return false;
    }
    socket = ends[0];
    return true;
}

void ServingWorker::Stop(WorkerRun* run)
{
    if (socket >= 0)
        close(socket);
    socket = -1;
    if (pid == 0)
        return;
    if (run) {
        // A helper whose socket closed is ending: give it a moment to say how.
        int status = 0;
        for (int waited = 0; waited < 200; ++waited) {
            const pid_t done = waitpid(pid, &status, WNOHANG);
            if (done == pid) {
                DescribeWorkerExit(*run, status);
                if (run->end == WorkerEnd::Answered) {
                    run->end = WorkerEnd::Stopped;
                    run->detail = "exit status 0";
                }
                pid = 0;
                return;
            }
            if (done < 0 && errno != EINTR)
                break;
            usleep(1000);
        }
        run->end = WorkerEnd::Stopped;
        run->detail = "closed its answer";
    }
    EndWorker(pid);
    pid = 0;
}

WorkerRun ServingWorker::Ask(std::string_view job, const WorkerLimits& limits)
{
    WorkerRun run;
    // One that ended while idle (killed from outside) is replaced before the job, which it
    // never saw.
    if (pid != 0 && waitpid(pid, nullptr, WNOHANG) == pid) {
        pid = 0;
        Stop(nullptr);
    }
    if (pid == 0 && !Start(run))
        return run;
    run.pid = pid;
    const Clock::time_point deadline = Clock::now() + limits.time;
    Transfer transfer = SendAll(socket, Framed(job), deadline);
    uint64_t length = 0;
    if (transfer == Transfer::Done)
        transfer = ReceiveAll(socket, reinterpret_cast<char*>(&length), sizeof length, deadline);
    if (transfer == Transfer::Done && length > limits.answerBytes) {
        run.end = WorkerEnd::TooLarge;
        Stop(nullptr);
        return run;
    }
    // In pieces: a helper that claims a long answer and sends none costs nothing.
    std::string answer;
    while (transfer == Transfer::Done && answer.size() < length) {
        const size_t had = answer.size();
        const size_t piece = std::min<uint64_t>(length - had, 1u << 20);
        answer.resize(had + piece);
        transfer = ReceiveAll(socket, answer.data() + had, piece, deadline);
    }
    switch (transfer) {
        case Transfer::Done:
            run.end = WorkerEnd::Answered;
            run.answer = WorkerAnswer(std::move(answer));
            break;
        case Transfer::TimedOut:
            run.end = WorkerEnd::TimedOut;
            Stop(nullptr);
            break;
        case Transfer::Closed:
            Stop(&run);
            break;
    }
    return run;
}

bool ReadServedJob(std::string& job, uint64_t maxBytes)
{
    uint64_t length = 0;
    if (!ReadFully(0, reinterpret_cast<char*>(&length), sizeof length) || length > maxBytes)
        return false;
    job.resize(length);
    return ReadFully(0, job.data(), job.size());
}

bool WriteServedAnswer(std::string_view answer)
{
    return WriteAnswer(Framed(answer));
}

}  // namespace platform
