// Threads that import user files have the stack the import library's recursion needs.
#include <gtest/gtest.h>

#include <thread>

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
