#include "platform/FileWatcher.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <system_error>

#include "platform/Paths.h"

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds kPollPeriod{32};

}  // namespace

CFileWatcher::CFileWatcher(bool startPollingThread, Report report)
    : startThread(startPollingThread), report(std::move(report))
{
}

CFileWatcher::~CFileWatcher()
{
    {
        std::lock_guard<std::mutex> lock(stopLock);
        stopRequested = true;
    }
    stopSignal.notify_all();
    if (pollThread.joinable())
        pollThread.join();
}

fs::path CFileWatcher::WatchedPath(const fs::path& fileName)
{
    if (fileName.is_absolute())
        return fileName;
    return fs::path(platform::NormalizeSeparators(fileName.native()));
}

int64_t CFileWatcher::LastWriteTime(const fs::path& path)
{
    fs::path resolved = platform::ResolveDataPath(path);
    // Any error reads as "missing", which is never newer than a stored time.
    std::optional<int64_t> ticks = platform::LastWriteTicks(resolved);
    return ticks ? std::max<int64_t>(*ticks, 1) : 0;
}

bool CFileWatcher::Watch(const fs::path& fileName, Callback callback, const void* owner)
{
    const fs::path path = WatchedPath(fileName);
    std::error_code ec;
    if (!fs::exists(platform::ResolveDataPath(path), ec) || ec)
        return false;

    std::vector<Registration>& registered = callbacks[path];
    const bool known = owner && std::any_of(registered.begin(), registered.end(),
                                            [owner](const auto& r) { return r.owner == owner; });
    if (!known)
        registered.push_back({owner, std::move(callback)});

    const int64_t time = LastWriteTime(path);
    {
        std::lock_guard<std::mutex> lock(timesLock);
        lastWriteTimes[path] = time;
    }
    if (startThread && !pollThread.joinable() && !threadFailed) {
        try {
            pollThread = std::thread(&CFileWatcher::PollLoop, this);
        } catch (const std::system_error& error) {
            // Once: without the thread no change is seen, but everything else works.
            threadFailed = true;
            if (report)
                report(std::string("Files are not watched for changes: no thread to poll them (") +
                       error.what() + ")");
        }
    }
    return true;
}

size_t CFileWatcher::CallbackCount(const fs::path& fileName) const
{
    const auto it = callbacks.find(WatchedPath(fileName));
    return it == callbacks.end() ? 0 : it->second.size();
}

void CFileWatcher::ScanOnce()
{
    std::lock_guard<std::mutex> pendingGuard(pendingLock);
    std::lock_guard<std::mutex> timesGuard(timesLock);
    for (auto& [path, stored] : lastWriteTimes) {
        int64_t time = LastWriteTime(path);
        if (time <= stored)
            continue;
        if (std::find(pending.begin(), pending.end(), path) == pending.end())
            pending.push_back(path);
        stored = time;
    }
}

void CFileWatcher::PollLoop()
{
    while (!stopRequested) {
        ScanOnce();
        std::unique_lock<std::mutex> lock(stopLock);
        stopSignal.wait_until(lock, std::chrono::steady_clock::now() + kPollPeriod,
                              [this] { return stopRequested.load(); });
    }
    finished = true;
}

void CFileWatcher::DispatchChanges()
{
    std::lock_guard<std::mutex> guard(pendingLock);
    std::swap(pending, dispatching);
    for (const fs::path& path : dispatching) {
        const auto it = callbacks.find(path);
        if (it == callbacks.end())
            continue;
        // A copy: a callback may register files and so change the map.
        const std::vector<Registration> toCall = it->second;
        const std::string name = path.string();
        for (const Registration& registration : toCall) {
            if (registration.callback)
                registration.callback(name);
        }
    }
    dispatching.clear();
}
