// Threads that import user files have the stack the import library's recursion needs.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/LargeStackThread.h"

namespace {

// 64 KiB of stack per level, kept from being optimised away.
int Recurse(int levels)
{
    volatile char frame[64 * 1024];
    frame[0] = static_cast<char>(levels);
    frame[sizeof(frame) - 1] = 1;
    return levels == 0 ? frame[0] : Recurse(levels - 1) + frame[sizeof(frame) - 1];
}

}  // namespace

// 128 MiB of frames: sixteen times what a default thread or the main thread may use.
TEST(LargeStackThread, RunsRecursionFarDeeperThanADefaultStackHolds)
{
    int result = -1;
    std::thread::id ranOn;
    EXPECT_EQ(platform::RunWithLargeStack([&] {
                  result = Recurse(2048);
                  ranOn = std::this_thread::get_id();
              }),
              "");
    EXPECT_EQ(result, 2048);
    EXPECT_NE(ranOn, std::this_thread::get_id());

    // Already on a large stack: nested calls run in place rather than stacking threads.
    std::thread::id outer, inner;
    platform::RunWithLargeStack([&] {
        outer = std::this_thread::get_id();
        platform::RunWithLargeStack([&] { inner = std::this_thread::get_id(); });
    });
    EXPECT_EQ(outer, inner);
}

// Side by side: each body waits for all the others (run one after another, none would see
// them), each has the deep stack, and a body's exception reaches the caller only after
// every body has ended.
TEST(LargeStackThread, SideBySideBodiesRunAtOnceEachWithALargeStack)
{
    constexpr int kBodies = 4;
    std::mutex lock;
    std::condition_variable arrival;
    int arrived = 0, sawEveryone = 0, deepResults = 0, ended = 0;
    std::vector<std::function<void()>> bodies;
    for (int i = 0; i < kBodies; ++i)
        bodies.emplace_back([&, i] {
            std::unique_lock<std::mutex> guard(lock);
            ++arrived;
            arrival.notify_all();
            if (arrival.wait_for(guard, std::chrono::seconds(10),
                                 [&] { return arrived == kBodies; }))
                ++sawEveryone;
            guard.unlock();
            const bool deep = Recurse(1024) == 1024;
            guard.lock();
            deepResults += deep;
            ++ended;
            if (i == 1)
                throw std::runtime_error("body 1 failed");
        });
    EXPECT_THROW(platform::RunSideBySideWithLargeStacks(bodies), std::runtime_error);
    EXPECT_EQ(sawEveryone, kBodies);
    EXPECT_EQ(deepResults, kBodies);
    EXPECT_EQ(ended, kBodies);
    EXPECT_EQ(platform::RunSideBySideWithLargeStacks({}), "");
}
