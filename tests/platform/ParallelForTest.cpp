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

TEST(ParallelFor, StretchesCoverEveryIndexOnceInOrderedPieces)
{
    for (size_t count : {size_t{0}, size_t{1}, size_t{64}, size_t{65}, size_t{1000}}) {
        std::vector<std::atomic<int>> calls(count);
        std::atomic<bool> wrongPiece{false};
        platform::ParallelForStretches(count, 64, [&](size_t index, size_t first, size_t end) {
            if (first != index * 64 || end <= first || end - first > 64)
                wrongPiece = true;
            for (size_t i = first; i < end; ++i)
                calls[i]++;
        });
        EXPECT_FALSE(wrongPiece) << count;
        for (size_t i = 0; i < count; ++i)
            EXPECT_EQ(calls[i], 1) << "index " << i << " of " << count;
    }
}
