// Polls the last-write time of registered files on a thread of its own and hands the
// changes to the engine's thread, which calls the callbacks once per frame.
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

    // Tests pass false and drive the scans themselves with ScanOnce.
    explicit CFileWatcher(bool startPollingThread = true);
    ~CFileWatcher();
    CFileWatcher(const CFileWatcher&) = delete;
    CFileWatcher& operator=(const CFileWatcher&) = delete;

    // Registers a file (relative names are data paths, platform::ResolveDataPath); false
    // when it does not exist. "shaders/x.fx" and "shaders\x.fx" are one file with one key.
    bool Watch(std::string fileName, Callback callback);
    bool WatchWide(const std::u16string& fileName, Callback callback);

    // Engine thread, once per frame: calls the callbacks of every file found changed.
    void DispatchChanges();

    // One polling pass: queues every file whose time moved forward.
    void ScanOnce();

    // Last-write time in file-system ticks; 0 when missing or not queryable.
    static int64_t LastWriteTime(const std::filesystem::path& path);

    // Callback key: the name with every '\' and '/' turned into '#'.
    static std::string KeyOf(const std::string& fileName);

   private:
    void PollLoop();

    std::thread pollThread;
    bool startThread;
    std::vector<std::filesystem::path> pending;
    std::vector<std::filesystem::path> dispatching;
    std::map<std::string, std::vector<Callback>> callbacks;
    std::map<std::filesystem::path, int64_t> lastWriteTimes;
    std::mutex pendingLock;
    std::mutex timesLock;
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> finished{false};
    std::mutex stopLock;
    std::condition_variable stopSignal;
};
