// vornis-snap's command line: the forms a thumbnailer and a user type.
#include <gtest/gtest.h>

#include "SnapOptions.h"

namespace {

std::optional<SnapOptions> Parse(std::vector<std::string> args, std::string* error = nullptr)
{
    std::string ignored;
    return ParseSnapOptions(args, error ? *error : ignored);
}

TEST(SnapOptions, SizesAreWidthXHeightOrOneNumberForASquare)
{
    const struct {
        const char* text;
        int width, height;  // 0: refused
    } cases[] = {{"640x480", 640, 480}, {"256", 256, 256}, {"8192", 8192, 8192}, {"1X2", 1, 2},
                 {"0", 0, 0},           {"8193", 0, 0},    {"12x", 0, 0},        {"x12", 0, 0},
                 {"big", 0, 0},         {"", 0, 0}};
    for (const auto& c : cases) {
        const auto options = Parse({"m.fbx", "-o", "o.png", "--size", c.text});
        ASSERT_EQ(options.has_value(), c.width != 0) << c.text;
        if (options) {
            EXPECT_EQ(options->width, c.width) << c.text;
            EXPECT_EQ(options->height, c.height) << c.text;
        }
    }
}

TEST(SnapOptions, TheThumbnailersCommandLineParses)
{
    const auto options =
        Parse({"--size", "128", "--transparent", "-o", "/t/o.png", "--", "-odd name.fbx"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->modelPath, "-odd name.fbx");
    EXPECT_EQ(options->outputPath, "/t/o.png");
    EXPECT_TRUE(options->transparent);
    EXPECT_FALSE(options->showSky);
}

TEST(SnapOptions, MistakesAreNamed)
{
    std::string error;
    EXPECT_FALSE(Parse({"m.fbx", "-o", "o.png", "--bogus"}, &error));
    EXPECT_EQ(error, "unknown option: --bogus");
    EXPECT_FALSE(Parse({"a.fbx", "-o", "o.png", "--", "b.fbx"}, &error));
    EXPECT_EQ(error, "more than one model given");
    EXPECT_FALSE(Parse({"-o", "o.png", "--"}, &error));
    EXPECT_EQ(error, "a model and -o OUT.png are required");
    EXPECT_FALSE(Parse({"m.fbx", "-o", "o.png", "--frame", "all"}, &error));
    EXPECT_EQ(error, "--frame needs whole or largest");
}

TEST(SnapOptions, PicturesFrameTheWholeModelUnlessTheViewersRuleIsAskedFor)
{
    EXPECT_TRUE(Parse({"m.fbx", "-o", "o.png"})->frameWholeModel);
    EXPECT_TRUE(Parse({"m.fbx", "-o", "o.png", "--frame", "whole"})->frameWholeModel);
    EXPECT_FALSE(Parse({"m.fbx", "-o", "o.png", "--frame", "largest"})->frameWholeModel);
    EXPECT_FALSE(Parse({"m.fbx", "-o", "o.png", "--frame"}));
}

}  // namespace
