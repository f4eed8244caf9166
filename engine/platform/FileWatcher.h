// Polls the last-write time of registered files on a thread of its own and hands the
// changes to the engine's thread, which calls the callbacks once per frame.
//
// Names: a relative name is a data path of the engine's own ("shaders/x.fx"; a Windows
// spelling "shaders\x.fx" is the same file); an absolute name is a user's file, used
// exactly as given (a backslash is a valid file-name character).
//
// Locks: the polling thread takes pendingLock, then timesLock, for a whole scan.
// DispatchChanges holds only pendingLock, also while it calls the callbacks, so a callback
// may call Watch (timesLock only). `callbacks` and the thread handle belong to the
// engine's thread alone.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CFileWatcher {
   public:
    using Callback = std::function<void(const std::string&)>;
    using Report = std::function<void(const std::string&)>;

    // Tests pass false and drive the scans themselves with ScanOnce. `report` hears of a
    // polling thread that could not be started.
    explicit CFileWatcher(bool startPollingThread = true, Report report = {});
    ~CFileWatcher();
    CFileWatcher(const CFileWatcher&) = delete;
    CFileWatcher& operator=(const CFileWatcher&) = delete;

    // Registers a file; false when it does not exist. Every registration adds a callback,
    // except that an `owner` registers at most one per file: a client that registers the
    // same file again (a model loaded again) only renews its time stamp.
    bool Watch(const std::filesystem::path& fileName, Callback callback,
               const void* owner = nullptr);

    // Engine thread, once per frame: calls the callbacks of every file found changed.
    void DispatchChanges();

    // One polling pass: queues every file whose time moved forward.
    void ScanOnce();

    // Last-write time in file-system ticks; 0 when missing or not queryable.
    static int64_t LastWriteTime(const std::filesystem::path& path);

    // The one spelling of a watched name (see Names above).
    static std::filesystem::path WatchedPath(const std::filesystem::path& fileName);

    // Callbacks registered for a file, under any spelling of its name.
    size_t CallbackCount(const std::filesystem::path& fileName) const;

   private:
    void PollLoop();

    struct Registration {
        const void* owner;
        Callback callback;
    };

    std::thread pollThread;
    bool startThread;
    bool threadFailed = false;
    Report report;
    std::vector<std::filesystem::path> pending;
    std::vector<std::filesystem::path> dispatching;
    std::map<std::filesystem::path, std::vector<Registration>> callbacks;
    std::map<std::filesystem::path, int64_t> lastWriteTimes;
    std::mutex pendingLock;
    std::mutex timesLock;
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> finished{false};
    std::mutex stopLock;
    std::condition_variable stopSignal;
};
