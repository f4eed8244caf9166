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
    EXPECT_EQ(options->modelPaths, std::vector<std::string>{"-odd name.fbx"});
    EXPECT_EQ(options->outputPath, "/t/o.png");
    EXPECT_TRUE(options->transparent);
    EXPECT_FALSE(options->showSky);
}

TEST(SnapOptions, MistakesAreNamed)
{
    std::string error;
    EXPECT_FALSE(Parse({"m.fbx", "-o", "o.png", "--bogus"}, &error));
    EXPECT_EQ(error, "unknown option: --bogus");
    EXPECT_FALSE(Parse({"-o", "o.png", "--"}, &error));
    EXPECT_EQ(error, "a model and -o OUT.png are required");
    EXPECT_FALSE(Parse({"m.fbx", "-o", "o.png", "--frame", "all"}, &error));
    EXPECT_EQ(error, "--frame needs whole or largest");
}

TEST(SnapOptions, SeveralModelsGetOnePictureEachInTheOutputFolder)
{
    const auto several = Parse({"a/spider.fbx", "-o", "out", "b/Box.Final.FBX", "c/noext"});
    ASSERT_TRUE(several);
    EXPECT_EQ(several->modelPaths,
              (std::vector<std::string>{"a/spider.fbx", "b/Box.Final.FBX", "c/noext"}));
    EXPECT_TRUE(WritesIntoFolder(*several));
    EXPECT_EQ(PicturePath(*several, "a/spider.fbx"), "out/spider.png");
    EXPECT_EQ(PicturePath(*several, "b/Box.Final.FBX"), "out/Box.Final.png");
    EXPECT_EQ(PicturePath(*several, "c/noext"), "out/noext.png");

    // One model: the output is the picture, unless it names a folder.
    const auto one = Parse({"a/spider.fbx", "-o", "/no/such/dir/x.png"});
    EXPECT_FALSE(WritesIntoFolder(*one));
    EXPECT_EQ(PicturePath(*one, "a/spider.fbx"), "/no/such/dir/x.png");
    const auto intoFolder = Parse({"a/spider.fbx", "-o", "/no/such/dir/"});
    EXPECT_EQ(PicturePath(*intoFolder, "a/spider.fbx"), "/no/such/dir/spider.png");
}

TEST(SnapOptions, PicturesFrameTheWholeModelUnlessTheViewersRuleIsAskedFor)
{
    EXPECT_TRUE(Parse({"m.fbx", "-o", "o.png"})->frameWholeModel);
    EXPECT_TRUE(Parse({"m.fbx", "-o", "o.png", "--frame", "whole"})->frameWholeModel);
    EXPECT_FALSE(Parse({"m.fbx", "-o", "o.png", "--frame", "largest"})->frameWholeModel);
    EXPECT_FALSE(Parse({"m.fbx", "-o", "o.png", "--frame"}));
}

}  // namespace
