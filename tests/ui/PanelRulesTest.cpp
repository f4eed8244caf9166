// The panels' rules that need no interface library: the shader timer, the LOG window's
// title pulse, number formats and the sky-file list.
#include <gtest/gtest.h>

#include <algorithm>

#include <unistd.h>

#include <cmath>
#include <fstream>
#include <limits>

#include "platform/Paths.h"
#include "shaders/CustomShaderFiles.h"
#include "ui/PanelRules.h"

namespace {

constexpr float kFrame = 1.0f / 60.0f;

TEST(ShaderTimer, RunsToTheEndValueThenStopsOrWrapsAndStoppedHandsOnThePanelsTime)
{
    struct Case {
        bool loop;
        int frames;
        bool running;
        float time;
    };
    // End value 0.05 is reached in the third frame of 1/60 s.
    const Case cases[] = {
        {false, 2, true, 2 * kFrame}, {false, 3, false, 0.05f}, {false, 10, false, 0.05f},
        {true, 3, true, 0.0f},        {true, 4, true, kFrame},
    };
    for (const Case& c : cases) {
        ShaderTimer timer;
        ShaderTimerPanel panel;
        panel.endValue = 0.05f;
        panel.loop = c.loop;
        timer.running = true;
        float constant = -1.0f;
        for (int i = 0; i < c.frames; ++i)
            constant = UpdateShaderTimer(timer, panel, kFrame);
        SCOPED_TRACE(::testing::Message() << "loop " << c.loop << ", frames " << c.frames);
        EXPECT_EQ(timer.running, c.running);
        EXPECT_FLOAT_EQ(timer.time, c.time);
        EXPECT_FLOAT_EQ(panel.currentTime, c.time);
        EXPECT_FLOAT_EQ(constant, c.time);
    }
    // Stopped, it hands on the panel's current time.
    ShaderTimer timer;
    ShaderTimerPanel panel;
    panel.currentTime = 0.7f;
    EXPECT_FLOAT_EQ(UpdateShaderTimer(timer, panel, kFrame), 0.7f);
    EXPECT_FLOAT_EQ(timer.time, 0.0f);
}

// |cos| of the time left, at full strength in whole 1/255 steps, over the quiet alpha.
TEST(LogFlash, PulsesInTheNewestMessagesColourForOneSecond)
{
    InterfaceState state;
    const float quietAlpha = 180.0f / 255.0f;
    std::array<float, 4> colour = UpdateLogFlash(state, true, true, kFrame);
    EXPECT_EQ(colour, (std::array<float, 4>{0.0f, 254.0f / 255.0f, 0.0f, quietAlpha}));
    for (int i = 0; i < 58; ++i)
        colour = UpdateLogFlash(state, false, false, kFrame);
    EXPECT_GT(colour[1], 0.5f) << "fades to about 0.54 within the second";
    EXPECT_LT(colour[1], 0.56f);
    for (int i = 0; i < 3; ++i)
        colour = UpdateLogFlash(state, false, false, kFrame);
    EXPECT_EQ(colour, (std::array<float, 4>{0.0f, 0.0f, 0.0f, quietAlpha}));
    EXPECT_EQ(state.flashTime + state.flashPhase, 0.0f);

    colour = UpdateLogFlash(state, true, false, kFrame);
    EXPECT_GT(colour[0], 0.99f) << "an error pulses red";
    EXPECT_EQ(colour[1], 0.0f);
}

TEST(NumberFormats, TruncateClampsWhatAnIntCannotHold)
{
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        int shown;
    } cases[] = {{50.9, 50},
                 {-3.7, -3},
                 {1e20, std::numeric_limits<int>::max()},
                 {-inf, std::numeric_limits<int>::min()},
                 {std::nan(""), 0}};
    for (const auto& c : cases)
        EXPECT_EQ(TruncateToInt(c.value), c.shown) << c.value;
    EXPECT_FLOAT_EQ(QuantiseToByteSteps(0.5f), 127.0f / 255.0f);
    EXPECT_FLOAT_EQ(QuantiseToByteSteps(1.0f), 1.0f);
}

// Fractions close to the origin, whole numbers (truncated) farther out, and a length too
// large for an int clamped.
TEST(StatsLines, FractionsCloseToTheOriginWholeNumbersFartherOut)
{
    const float near[3] = {3.0f, 4.0f, 0.0f}, far[3] = {30.0f, 40.5f, -0.5f},
                huge[3] = {3e38f, 3e38f, 0};
    EXPECT_EQ(StatsLines(near)[3], "Length to  origo: 5.000000");
    EXPECT_EQ(StatsLines(far),
              (std::array<std::string, 4>{"Camera Pos X: 30", "Camera Pos Y: 40", "Camera Pos Z: 0",
                                          "Length to  origo: 50"}));
    EXPECT_EQ(StatsLines(huge)[3], "Length to  origo: 2147483647");
}

TEST(SkyFiles, OnlyExactDdsHdrAndExrAreOfferedAndAMissingFolderOffersNothing)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("vornis_sky_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "folder.dds");
    for (const char* name :
         {"day.dds", "NIGHT.DDS", "dusk.Dds", "notes.txt", ".hidden.dds", "studio.hdr", "dawn.EXR"})
        std::ofstream(folder / name) << "x";
    std::vector<std::string> names = SkyFileNames(folder);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"day.dds", "studio.hdr"}));
    EXPECT_TRUE(SkyFileNames(folder / "missing").empty());
    std::filesystem::remove_all(folder);
}

// An installed tree, moved away from where it was built: the sky and shader-file lists read
// its share/ folders, the user's shader folder first, each name once, each file from where
// it was listed.
TEST(SkyFiles, AMovedInstalledTreeListsItsSkiesAndTheUsersShadersFirst)
{
    namespace fs = std::filesystem;
    const fs::path tree = fs::temp_directory_path() / ("vornis_moved_" + std::to_string(getpid()));
    const fs::path share = tree / "opt/vornis/share/vornis", user = tree / "data/vornis/shaders";
    fs::create_directories(tree / "opt/vornis/bin");
    for (const fs::path& file :
         {share / "Skyboxtextures/day.dds", share / "Skyboxtextures/night.dds",
          share / "shaders/PS_PixelShaders.fx", user / "PS_PixelShaders.fx", user / "PS_Mine.fx"}) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "x";
    }
    const platform::DataLayout layout =
        platform::MakeDataLayout(tree / "opt/vornis/bin", (tree / "data").c_str(), "/nonexistent");
    const SkyFileList skies = SkyFiles(platform::DataPathCandidates(layout, "Skyboxtextures"));
    EXPECT_EQ(skies.names, (std::vector<std::string>{"day.dds", "night.dds"}));
    EXPECT_EQ(skies.paths.back(), share / "Skyboxtextures/night.dds");
    const CustomShaderList shaders = ListCustomShaderFiles(platform::ShaderDirectories(layout));
    EXPECT_EQ(shaders.displayNames, (std::vector<std::string>{"PS_Mine.fx", "PS_PixelShaders.fx"}));
    EXPECT_EQ(shaders.paths[1], (user / "PS_PixelShaders.fx").string()) << "the user's copy";
    fs::remove_all(tree);
}

}  // namespace
