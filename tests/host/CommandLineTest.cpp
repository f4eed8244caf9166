// The program's arguments, its test hooks and the start screen's layout.
#include <gtest/gtest.h>

#include "CommandLine.h"
#include "StartScreenLayout.h"
#include "TestHooks.h"

namespace host {
namespace {

TEST(ParseCommandLine, NoArgumentsRunsWithoutAModel)
{
    const CommandLine parsed = ParseCommandLine({});
    EXPECT_EQ(parsed.action, CommandAction::Run);
    EXPECT_FALSE(parsed.modelPath);
}

TEST(ParseCommandLine, OneModelIsOpened)
{
    const CommandLine parsed = ParseCommandLine({"hero.fbx"});
    EXPECT_EQ(parsed.action, CommandAction::Run);
    EXPECT_EQ(parsed.modelPath, "hero.fbx");

    // "-" alone and names after "--" are names, not options.
    EXPECT_EQ(ParseCommandLine({"-"}).modelPath, "-");
    EXPECT_EQ(ParseCommandLine({"--", "--help"}).modelPath, "--help");
}

TEST(ParseCommandLine, TheDemoStandsInForAModel)
{
    const CommandLine parsed = ParseCommandLine({"--demo"});
    EXPECT_EQ(parsed.action, CommandAction::Run);
    EXPECT_TRUE(parsed.openDemo);
    EXPECT_FALSE(parsed.modelPath);
    for (const std::vector<std::string_view>& both :
         std::vector<std::vector<std::string_view>>{{"--demo", "a.fbx"}, {"a.fbx", "--demo"}})
        EXPECT_EQ(ParseCommandLine(both).action, CommandAction::UsageError);
}

TEST(ParseCommandLine, HelpVersionAndTheShaderCopyWinOverEverythingBeforeThem)
{
    EXPECT_EQ(ParseCommandLine({"--help"}).action, CommandAction::ShowHelp);
    EXPECT_EQ(ParseCommandLine({"--version"}).action, CommandAction::ShowVersion);
    EXPECT_EQ(ParseCommandLine({"hero.fbx", "--version"}).action, CommandAction::ShowVersion);
    EXPECT_EQ(ParseCommandLine({"--demo", "--copy-shaders"}).action, CommandAction::CopyShaders);
}

TEST(ParseCommandLine, UnknownOptionsAndExtraArgumentsAreUsageErrors)
{
    for (const std::vector<std::string_view>& arguments :
         std::vector<std::vector<std::string_view>>{
             {"--bogus"}, {"-h"}, {"--help=1"}, {"a.fbx", "b.fbx"}, {""}, {"a.fbx", "--", "b"}}) {
        const CommandLine parsed = ParseCommandLine(arguments);
        EXPECT_EQ(parsed.action, CommandAction::UsageError) << arguments[0];
        EXPECT_FALSE(parsed.error.empty());
    }
    EXPECT_NE(ParseCommandLine({"--bogus"}).error.find("--bogus"), std::string::npos);
}

TEST(ParseFrameLimit, AcceptsOnlyPositiveDecimalCounts)
{
    EXPECT_EQ(ParseFrameLimit("1"), 1u);
    EXPECT_EQ(ParseFrameLimit("250"), 250u);
    EXPECT_EQ(ParseFrameLimit("18446744073709551615"), UINT64_MAX);
    for (const char* bad :
         {"", "0", "-3", "+3", " 3", "3 ", "3x", "0x10", "1e3", "18446744073709551616"})
        EXPECT_FALSE(ParseFrameLimit(bad)) << bad;
    EXPECT_FALSE(ParseFrameLimit(nullptr));
}

TEST(ParseScreenshotSize, AcceptsWidthXHeightWithinBounds)
{
    const std::optional<ScreenshotSize> size = ParseScreenshotSize("320x180");
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 320);
    EXPECT_EQ(size->height, 180);
    EXPECT_TRUE(ParseScreenshotSize("4096x1"));
    for (const char* bad :
         {"", "320", "320x", "x180", "0x10", "10x0", "4097x10", "-3x3", "3x3x", "3 x3", "3X3"})
        EXPECT_FALSE(ParseScreenshotSize(bad)) << bad;
    EXPECT_FALSE(ParseScreenshotSize(nullptr));
}

TEST(LayOutStartScreen, CentresThePictureWithEachHalfRoundedOnItsOwn)
{
    const StartScreenLayout layout = LayOutStartScreen(1600, 900, 480, 270);
    EXPECT_EQ(layout.bitmapX, 560);
    EXPECT_EQ(layout.bitmapY, 315);
    EXPECT_EQ(layout.textX, 560);
    EXPECT_EQ(layout.textY, 585);

    // Halving each side on its own: 100 / 2 - 51 / 2 = 25, where (100 - 51) / 2 gives 24.
    const StartScreenLayout odd = LayOutStartScreen(100, 100, 51, 51);
    EXPECT_EQ(odd.bitmapX, 25);
    EXPECT_EQ(odd.bitmapY, 25);
    EXPECT_EQ(odd.textY, 76);
}

TEST(LayOutStartScreen, WithoutAPictureTheTextStartsAtTheCentre)
{
    const StartScreenLayout layout = LayOutStartScreen(1584, 861, 0, 0);
    EXPECT_EQ(layout.textX, 792);
    EXPECT_EQ(layout.textY, 430);
}

}  // namespace
}  // namespace host
