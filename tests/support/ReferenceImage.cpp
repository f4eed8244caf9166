#include "support/ReferenceImage.h"

#include <stb_image.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace testing_support {

namespace {

namespace fs = std::filesystem;

bool WritePng(const fs::path& path, const std::vector<uint8_t>& rgba, int width, int height)
{
    fs::create_directories(path.parent_path());
    return stbi_write_png(path.c_str(), width, height, 4, rgba.data(), width * 4) != 0;
}

}  // namespace

::testing::AssertionResult MatchesReference(const std::string& name,
                                            const std::vector<uint8_t>& rgba, int width, int height,
                                            int tolerance, double outliers)
{
    const fs::path reference = fs::path(VORNIS_REFERENCE_DIR) / (name + ".png");
    const fs::path actualPath = fs::path(VORNIS_TEST_PICTURES_DIR) / (name + ".png");
    const fs::path diffPath = fs::path(VORNIS_TEST_PICTURES_DIR) / (name + ".diff.png");
    if (rgba.size() != static_cast<size_t>(width) * height * 4)
        return ::testing::AssertionFailure() << "the picture is not " << width << "x" << height;
    if (const char* update = std::getenv("VORNIS_UPDATE_REFERENCES");
        update && update == std::string("1")) {
        if (!WritePng(reference, rgba, width, height))
            return ::testing::AssertionFailure() << "cannot write " << reference;
        return ::testing::AssertionSuccess() << "updated " << reference;
    }

    int refWidth = 0, refHeight = 0, channels = 0;
    const std::unique_ptr<uint8_t, void (*)(void*)> expected(
        stbi_load(reference.c_str(), &refWidth, &refHeight, &channels, 4), stbi_image_free);
    if (!expected || refWidth != width || refHeight != height) {
        WritePng(actualPath, rgba, width, height);
        return ::testing::AssertionFailure() << "no " << width << "x" << height << " reference "
                                             << reference << "; the picture is " << actualPath;
    }
    // The difference, four times amplified; pixels beyond the tolerance in full red.
    std::vector<uint8_t> diff(rgba.size(), 255);
    size_t beyond = 0;
    int worst = 0;
    for (size_t i = 0; i < rgba.size(); i += 4) {
        int largest = 0;
        for (size_t c = 0; c < 4; ++c) {
            const int d = std::abs(int(rgba[i + c]) - int(expected.get()[i + c]));
            largest = std::max(largest, d);
            if (c < 3)
                diff[i + c] = static_cast<uint8_t>(std::min(255, d * 4));
        }
        worst = std::max(worst, largest);
        if (largest > tolerance) {
            ++beyond;
            diff[i] = 255, diff[i + 1] = 0, diff[i + 2] = 0;
        }
    }
    if (beyond <= static_cast<size_t>(outliers * width * height))
        return ::testing::AssertionSuccess();
    WritePng(actualPath, rgba, width, height);
    WritePng(diffPath, diff, width, height);
    return ::testing::AssertionFailure()
           << beyond << " pixels differ from " << reference << " by more than " << tolerance
           << " (largest " << worst << "); picture " << actualPath << ", difference " << diffPath;
}

std::vector<uint8_t> ReadPngRgba(const std::string& path, int& width, int& height)
{
    int channels = 0;
    stbi_uc* pixels = stbi_load(path.c_str(), &width, &height, &channels, 4);
    std::vector<uint8_t> rgba;
    if (pixels)
        rgba.assign(pixels, pixels + static_cast<size_t>(width) * height * 4);
    stbi_image_free(pixels);
    return rgba;
}

}  // namespace testing_support
