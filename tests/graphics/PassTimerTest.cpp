// Frame pass times from timestamps: repeated passes, passes that come and go, bad stamps.
#include <gtest/gtest.h>

#include "graphics/gpu/PassTimer.h"

namespace {

TEST(PassTimes, EachFrameAddsOneSamplePerPassInTheOrderFirstMet)
{
    std::vector<gpu::PassTime> table;
    // A pass met twice adds both times; the stamps are in nanoseconds.
    gpu::AddFrameTimes(table, {"sky", "model", "sky"}, {0, 1000000, 3000000, 6000000});
    // "model" is missing from the second frame, "interface" new in it; the last stamp ran
    // backwards (a broken query) and counts as nothing.
    gpu::AddFrameTimes(table, {"sky", "interface", "sky"}, {500, 1000500, 3500500, 100});
    ASSERT_EQ(table.size(), 3u);
    const struct {
        const char* name;
        std::vector<double> milliseconds;
    } expected[] = {{"sky", {4.0, 1.0}}, {"model", {2.0, 0.0}}, {"interface", {0.0, 2.5}}};
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].name, expected[i].name);
        EXPECT_EQ(table[i].milliseconds, expected[i].milliseconds) << expected[i].name;
    }
    // Fewer stamps than passes: the passes without an end stamp are not counted.
    gpu::AddFrameTimes(table, {"sky", "model"}, {0, 2000000});
    EXPECT_EQ(table[0].milliseconds.back(), 2.0);
    EXPECT_EQ(table[1].milliseconds.back(), 0.0);
    EXPECT_EQ(table[2].milliseconds.size(), 3u);
}

}  // namespace
