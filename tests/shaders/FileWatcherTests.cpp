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
};

TEST_F(FileWatcherTest, AMissingFileIsNotRegistered)
{
    EXPECT_FALSE(watcher.Watch((dir.path / "absent.fx").string(), Record()));
}

TEST_F(FileWatcherTest, SavesAndScansBeforeADispatchGiveOneCallPerFile)
{
    auto a = dir.Write("a.fx", "x");
    auto b = dir.Write("b.fx", "x");
    ASSERT_TRUE(watcher.Watch(a.string(), Record()));
    ASSERT_TRUE(watcher.Watch(b.string(), Record()));
    Touch(a, 10);
    Touch(a, 20);  // two saves between scans
    Touch(b, 10);
    watcher.ScanOnce();
    Touch(a, 30);  // seen again by a second scan before the dispatch
    watcher.ScanOnce();
    watcher.DispatchChanges();
    EXPECT_EQ(calls.size(), 2u);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), a.string()), 1);
    watcher.DispatchChanges();  // the queue was taken
    EXPECT_EQ(calls.size(), 2u);
}

TEST_F(FileWatcherTest, ADeletedFileCallsNothingAndCallsOnceWhenItReturnsNewer)
{
    auto file = dir.Write("tex.dds", "x");
    ASSERT_TRUE(watcher.Watch(file.string(), Record()));
    std::filesystem::remove(file);
    watcher.ScanOnce();
    watcher.DispatchChanges();
    EXPECT_TRUE(calls.empty());
    dir.Write("tex.dds", "y");
    Touch(file, 10);
    watcher.ScanOnce();
    watcher.ScanOnce();
    watcher.DispatchChanges();
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(FileWatcherTest, AnOlderCopyIsNotAChange)
{
    auto file = dir.Write("a.fx", "x");
    ASSERT_TRUE(watcher.Watch(file.string(), Record()));
    Touch(file, -3600);
    watcher.ScanOnce();
    watcher.DispatchChanges();
    EXPECT_TRUE(calls.empty());
}

// The engine's own data paths take both separator spellings; a user's absolute path is
// taken as it stands, where a backslash is part of a name.
TEST_F(FileWatcherTest, DataPathsShareOneKeyUnderBothSpellingsUserPathsKeepTheirBytes)
{
    int first = 0, second = 0;
    ASSERT_TRUE(watcher.Watch("shaders/VertexShaders.fx", [&](const std::string&) { ++first; }));
    ASSERT_TRUE(watcher.Watch("shaders\\VertexShaders.fx", [&](const std::string&) { ++second; }));
    EXPECT_EQ(watcher.CallbackCount("shaders/VertexShaders.fx"), 2u);

    auto file = dir.Write("a\\b/x.fbx", "x");
    ASSERT_TRUE(watcher.Watch(file.string(), Record()));
    EXPECT_FALSE(watcher.Watch((dir.path / "a" / "b" / "x.fbx").string(), Record()));
    Touch(file, 10);
    watcher.ScanOnce();
    watcher.DispatchChanges();
    EXPECT_EQ(calls, std::vector<std::string>{file.string()});
}

// A client that registers a file again (the model, loaded once more) keeps one callback.
TEST_F(FileWatcherTest, AnOwnerRegistersOneCallbackPerFile)
{
    auto file = dir.Write("model.fbx", "x");
    int owner = 0;
    for (int load = 0; load < 3; ++load)
        ASSERT_TRUE(watcher.Watch(file, Record(), &owner));
    ASSERT_TRUE(watcher.Watch(file, Record()));
    EXPECT_EQ(watcher.CallbackCount(file), 2u);
    Touch(file, 10);
    watcher.ScanOnce();
    watcher.DispatchChanges();
    EXPECT_EQ(calls.size(), 2u);
}

TEST_F(FileWatcherTest, RelativeNamesResolveBesideTheProgram)
{
    ScratchDirectory elsewhere;
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.path);
    elsewhere.Write("shaders/VertexShaders.fx", "not the one");
    EXPECT_TRUE(watcher.Watch("shaders\\VertexShaders.fx", Record()));  // beside the program
    EXPECT_FALSE(watcher.Watch("shaders/only_in_cwd.fx", Record()));
    elsewhere.Write("shaders/only_in_cwd.fx", "");
    EXPECT_FALSE(watcher.Watch("shaders/only_in_cwd.fx", Record()));
    std::filesystem::current_path(previous);
    EXPECT_GT(CFileWatcher::LastWriteTime("shaders/VertexShaders.fx"), 0);
    EXPECT_EQ(CFileWatcher::LastWriteTime("shaders/only_in_cwd.fx"), 0);
}

TEST_F(FileWatcherTest, ACallbackThatRegistersANewFileReturnsAndTheFileIsPolledNextScan)
{
    auto first = dir.Write("a.fx", "x");
    auto second = dir.Write("b.fx", "x");
    bool registered = false;
    ASSERT_TRUE(watcher.Watch(first.string(), [&](const std::string&) {
        registered = watcher.Watch(second.string(), Record());
    }));
    Touch(first, 10);
    watcher.ScanOnce();
    watcher.DispatchChanges();
    ASSERT_TRUE(registered);
    Touch(second, 10);
    watcher.ScanOnce();
    watcher.DispatchChanges();
    EXPECT_EQ(calls, std::vector<std::string>{second.string()});
}

TEST_F(FileWatcherTest, UnreadableEntriesCountAsUnchanged)
{
    auto file = dir.Write("a.fx", "x");
    ASSERT_TRUE(watcher.Watch(file.string(), Record()));
    // A name too long for the file system makes the status query fail, not throw.
    EXPECT_EQ(CFileWatcher::LastWriteTime(dir.path / std::string(5000, 'n')), 0);
    EXPECT_FALSE(watcher.Watch((dir.path / std::string(5000, 'n')).string(), Record()));
    watcher.ScanOnce();
    watcher.DispatchChanges();
    EXPECT_TRUE(calls.empty());
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
