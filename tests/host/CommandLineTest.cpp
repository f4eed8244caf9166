// The program's arguments, its test hooks and the start screen's layout.
#include <gtest/gtest.h>

#include "CommandLine.h"
#include "StartScreenLayout.h"
#include "TestHooks.h"

namespace host {
namespace {

TEST(ParseCommandLine, ActionsAndModelNames)
{
    using A = CommandAction;
    const struct {
        std::vector<std::string_view> arguments;
        CommandAction action;
        std::optional<std::string> model;  // checked for Run only
    } cases[] = {
        {{}, A::Run, std::nullopt},
        {{"hero.fbx"}, A::Run, "hero.fbx"},
        // "-" alone and names after "--" are names, not options.
        {{"-"}, A::Run, "-"},
        {{"--", "--help"}, A::Run, "--help"},
        {{"--demo"}, A::Run, std::nullopt},
        // Help, version and the shader copy win over everything before them.
        {{"--help"}, A::ShowHelp, {}},
        {{"hero.fbx", "--version"}, A::ShowVersion, {}},
        {{"--demo", "--copy-shaders"}, A::CopyShaders, {}},
        // The demo stands in for a model, so not beside one.
        {{"--demo", "a.fbx"}, A::UsageError, {}},
        {{"a.fbx", "--demo"}, A::UsageError, {}},
        {{"--bogus"}, A::UsageError, {}},
        {{"-h"}, A::UsageError, {}},
        {{"--help=1"}, A::UsageError, {}},
        {{"a.fbx", "b.fbx"}, A::UsageError, {}},
        {{""}, A::UsageError, {}},
        {{"a.fbx", "--", "b"}, A::UsageError, {}},
    };
    for (const auto& c : cases) {
        const CommandLine parsed = ParseCommandLine(c.arguments);
        SCOPED_TRACE(c.arguments.empty() ? "(none)" : std::string(c.arguments.back()));
        EXPECT_EQ(parsed.action, c.action);
        EXPECT_EQ(parsed.error.empty(), c.action != A::UsageError);
        if (c.action == A::Run) {
            EXPECT_EQ(parsed.modelPath, c.model);
            EXPECT_EQ(parsed.openDemo, c.arguments.size() == 1 && c.arguments[0] == "--demo");
        }
    }
}

TEST(TestHooks, FrameLimitsAndScreenshotSizesAcceptOnlyWellFormedValues)
{
    EXPECT_EQ(ParseFrameLimit("250"), 250u);
    EXPECT_EQ(ParseFrameLimit("18446744073709551615"), UINT64_MAX);
    for (const char* bad :
         {"", "0", "-3", "+3", " 3", "3 ", "3x", "0x10", "1e3", "18446744073709551616"})
        EXPECT_FALSE(ParseFrameLimit(bad)) << bad;
    EXPECT_FALSE(ParseFrameLimit(nullptr));

    const std::optional<ScreenshotSize> size = ParseScreenshotSize("320x180");
    ASSERT_TRUE(size);
    EXPECT_EQ(std::pair(size->width, size->height), std::pair(320, 180));
    EXPECT_TRUE(ParseScreenshotSize("4096x1"));
    for (const char* bad :
         {"", "320", "320x", "x180", "0x10", "10x0", "4097x10", "-3x3", "3x3x", "3 x3", "3X3"})
        EXPECT_FALSE(ParseScreenshotSize(bad)) << bad;
    EXPECT_FALSE(ParseScreenshotSize(nullptr));
}

// Each half is rounded on its own: 100 / 2 - 51 / 2 = 25, where (100 - 51) / 2 gives 24. The
// text sits under the picture's left edge, or at the centre without a picture.
TEST(LayOutStartScreen, CentresThePictureWithEachHalfRoundedOnItsOwn)
{
    const StartScreenLayout odd = LayOutStartScreen(100, 100, 51, 51);
    EXPECT_EQ((std::vector<int>{odd.bitmapX, odd.bitmapY, odd.textX, odd.textY}),
              (std::vector<int>{25, 25, 25, 76}));
    const StartScreenLayout none = LayOutStartScreen(1584, 861, 0, 0);
    EXPECT_EQ((std::vector<int>{none.textX, none.textY}), (std::vector<int>{792, 430}));
}

}  // namespace
}  // namespace host
