#include "shaders/FileWatcher.h"

#include <optional>

#include <algorithm>
#include <chrono>
#include <system_error>

#include "platform/Paths.h"

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds kPollPeriod{32};

// The one spelling of a watched path: forward slashes, as given otherwise.
fs::path WatchedPath(const std::string& fileName)
{
    return fs::path(platform::NormalizeSeparators(fileName));
}

}  // namespace

CFileWatcher::CFileWatcher(bool startPollingThread) : startThread(startPollingThread) {}

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

std::string CFileWatcher::KeyOf(const std::string& fileName)
{
    std::string key = fileName;
    std::replace(key.begin(), key.end(), '\\', '#');
    std::replace(key.begin(), key.end(), '/', '#');
    return key;
}

int64_t CFileWatcher::LastWriteTime(const fs::path& path)
{
    fs::path resolved = platform::ResolveDataPath(path);
    // Any error reads as "missing", which is never newer than a stored time.
    std::optional<int64_t> ticks = platform::LastWriteTicks(resolved);
    return ticks ? std::max<int64_t>(*ticks, 1) : 0;
}

bool CFileWatcher::Watch(std::string fileName, Callback callback)
{
    std::error_code ec;
    if (!fs::exists(platform::ResolveDataPath(WatchedPath(fileName)), ec) || ec)
        return false;

    callbacks[KeyOf(fileName)].push_back(std::move(callback));

    fs::path path = WatchedPath(fileName);
    int64_t time = LastWriteTime(path);
    {
        std::lock_guard<std::mutex> lock(timesLock);
        lastWriteTimes[path] = time;
    }
    if (startThread && !pollThread.joinable())
        pollThread = std::thread(&CFileWatcher::PollLoop, this);
    return true;
}

bool CFileWatcher::WatchWide(const std::u16string& fileName, Callback callback)
{
    std::optional<std::string> narrow = platform::Utf16ToUtf8(fileName);
    if (!narrow)
        return false;
    return Watch(std::move(*narrow), std::move(callback));
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
        std::string name = path.string();
        // A copy: a callback may register files and so change the map.
        std::vector<Callback> toCall = callbacks[KeyOf(name)];
        for (const Callback& callback : toCall) {
            if (callback)
                callback(name);
        }
    }
    dispatching.clear();
}
