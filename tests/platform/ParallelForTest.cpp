#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/ParallelFor.h"

TEST(ParallelFor, CallsEveryIndexExactlyOnce)
{
    for (size_t count : {size_t{0}, size_t{1}, size_t{3}, size_t{257}}) {
        std::vector<std::atomic<int>> calls(count);
        platform::ParallelFor(count, [&](size_t i) { calls[i]++; });
        for (size_t i = 0; i < count; ++i)
            EXPECT_EQ(calls[i], 1) << "index " << i << " of " << count;
    }
}
