// Compares a rendered picture with a small reference image kept in tests/reference/, and
// reads the pictures tools write.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// Passes when every channel of every pixel lies within `tolerance` of
// tests/reference/<name>.png, except for at most `outliers` (a fraction of the pixels) where
// edges may fall differently. On failure the picture and an amplified difference image are
// written under the build tree and the message names both. With VORNIS_UPDATE_REFERENCES=1
// the picture becomes the reference instead.
::testing::AssertionResult MatchesReference(const std::string& name,
                                            const std::vector<uint8_t>& rgba, int width, int height,
                                            int tolerance = 16, double outliers = 0.002);

// The RGBA pixels of a PNG file, top row first; empty when it cannot be read.
std::vector<uint8_t> ReadPngRgba(const std::string& path, int& width, int& height);

}  // namespace testing_support
