// CFileWatcher: scans driven by hand for deterministic cases, and the real polling
// thread for the concurrency case (run it under ThreadSanitizer).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "ShaderTestSupport.h"
#include "platform/FileWatcher.h"

namespace {

using Clock = std::filesystem::file_time_type::clock;

// Moves a file's time stamp forward without waiting for the clock.
void Touch(const std::filesystem::path& file, int secondsAhead)
{
    std::filesystem::last_write_time(file, Clock::now() + std::chrono::seconds(secondsAhead));
}

class FileWatcherTest : public ::testing::Test {
   protected:
    CFileWatcher watcher{false};
    ScratchDirectory dir;
    std::vector<std::string> calls;
    CFileWatcher::Callback Record()
    {
        return [this](const std::string& path) { calls.push_back(path); };
    }
    void Changes()
    {
        watcher.ScanOnce();
        watcher.DispatchChanges();
    }
};

// Missing and unqueryable names (too long for the file system: the status query fails, not
// throws) are not registered; only a forward move is a change, and any number of saves and
// scans before a dispatch call once; a deleted file calls nothing until it returns newer.
TEST_F(FileWatcherTest, OnlyForwardMovesOfExistingFilesCallAndOncePerDispatch)
{
    const std::string tooLong = (dir.path / std::string(5000, 'n')).string();
    EXPECT_FALSE(watcher.Watch((dir.path / "absent.fx").string(), Record()));
    EXPECT_FALSE(watcher.Watch(tooLong, Record()));
    EXPECT_EQ(CFileWatcher::LastWriteTime(tooLong), 0);
    auto a = dir.Write("a.fx", "x");
    auto b = dir.Write("b.fx", "x");
    auto older = dir.Write("older.fx", "x");
    auto gone = dir.Write("gone.dds", "x");
    for (const auto& file : {a, b, older, gone})
        ASSERT_TRUE(watcher.Watch(file.string(), Record()));
    Touch(a, 10);
    Touch(a, 20);
    Touch(b, 10);
    Touch(older, -3600);
    std::filesystem::remove(gone);
    watcher.ScanOnce();
    Touch(a, 30);
    Changes();
    std::sort(calls.begin(), calls.end());
    EXPECT_EQ(calls, (std::vector<std::string>{a.string(), b.string()}));
    watcher.DispatchChanges();  // the queue was taken
    EXPECT_EQ(calls.size(), 2u);

    dir.Write("gone.dds", "y");
    Touch(gone, 10);
    watcher.ScanOnce();
    Changes();
    EXPECT_EQ(calls.back(), gone.string());
    EXPECT_EQ(calls.size(), 3u);
}

// Relative names are the engine's data paths: beside the program, never in the current
// directory, one file under either separator. A user's absolute path stands as given, where
// a backslash is part of a name.
TEST_F(FileWatcherTest, DataPathsResolveBesideTheProgramUserPathsKeepTheirBytes)
{
    ScratchDirectory elsewhere;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.path);
    elsewhere.Write("shaders/VertexShaders.fx", "not the one");
    elsewhere.Write("shaders/only_in_cwd.fx", "");
    EXPECT_TRUE(watcher.Watch("shaders/VertexShaders.fx", Record()));
    EXPECT_TRUE(watcher.Watch("shaders\\VertexShaders.fx", Record()));
    EXPECT_FALSE(watcher.Watch("shaders/only_in_cwd.fx", Record()));
    std::filesystem::current_path(previous);
    EXPECT_EQ(watcher.CallbackCount("shaders/VertexShaders.fx"), 2u);
    EXPECT_GT(CFileWatcher::LastWriteTime("shaders/VertexShaders.fx"), 0);
    EXPECT_EQ(CFileWatcher::LastWriteTime("shaders/only_in_cwd.fx"), 0);

    auto file = dir.Write("a\\b/x.fbx", "x");
    ASSERT_TRUE(watcher.Watch(file.string(), Record()));
    EXPECT_FALSE(watcher.Watch((dir.path / "a" / "b" / "x.fbx").string(), Record()));
    Touch(file, 10);
    Changes();
    EXPECT_EQ(calls, std::vector<std::string>{file.string()});
}

// A client that registers a file again (the model, loaded once more) keeps one callback; a
// callback may register a new file, which is polled from the next scan.
TEST_F(FileWatcherTest, AnOwnerKeepsOneCallbackPerFileAndCallbacksMayRegister)
{
    auto model = dir.Write("model.fbx", "x");
    auto later = dir.Write("later.fx", "x");
    int owner = 0;
    for (int load = 0; load < 3; ++load)
        ASSERT_TRUE(watcher.Watch(model, Record(), &owner));
    bool registered = false;
    ASSERT_TRUE(watcher.Watch(
        model, [&](const std::string&) { registered = watcher.Watch(later.string(), Record()); }));
    EXPECT_EQ(watcher.CallbackCount(model), 2u);
    Touch(model, 10);
    Changes();
    ASSERT_TRUE(registered);
    EXPECT_EQ(calls, std::vector<std::string>{model.string()});
    Touch(later, 10);
    Changes();
    EXPECT_EQ(calls, (std::vector<std::string>{model.string(), later.string()}));
}

// The polling thread against registrations and dispatches on this thread. Waits for the
// change with a generous deadline; no timing is asserted.
TEST(FileWatcherThread, ChangesArriveOnTheDispatchingThread)
{
    ScratchDirectory dir;
    auto file = dir.Write("a.fx", "x");
    CFileWatcher watcher;
    std::thread::id callbackThread;
    int calls = 0;
    ASSERT_TRUE(watcher.Watch(file.string(), [&](const std::string&) {
        callbackThread = std::this_thread::get_id();
        ++calls;
    }));
    for (int i = 0; i < 20; ++i)  // registrations while the thread polls
        watcher.Watch(dir.Write("extra" + std::to_string(i) + ".fx", "x").string(), nullptr);
    Touch(file, 10);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (calls == 0 && std::chrono::steady_clock::now() < deadline) {
        watcher.DispatchChanges();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(callbackThread, std::this_thread::get_id());
}

}  // namespace
