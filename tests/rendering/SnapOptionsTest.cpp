// vornis-snap's command line: the forms a thumbnailer and a user type, and the mistakes.
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
            EXPECT_EQ(std::pair(options->width, options->height), std::pair(c.width, c.height));
        }
    }
}

TEST(SnapOptions, MistakesAreRefusedAndNamed)
{
    const struct {
        std::vector<std::string> args;  // after "m.fbx -o o.png"
        const char* error;              // empty: any
    } cases[] = {{{"--bogus"}, "unknown option: --bogus"},
                 {{"--frame", "all"}, "--frame needs whole or largest"},
                 {{"--frame"}, ""},
                 {{"--time"}, ""},
                 {{"--time", "-1"}, ""},
                 {{"--time", "abc"}, ""},
                 {{"--time", "nan"}, ""},
                 {{"--time", "inf"}, ""},
                 {{"--time", "2s"}, ""}};
    for (const auto& c : cases) {
        std::vector<std::string> args = {"m.fbx", "-o", "o.png"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::string error;
        EXPECT_FALSE(Parse(args, &error)) << c.args.back();
        if (*c.error) {
            EXPECT_EQ(error, c.error);
        }
    }
    std::string error;
    EXPECT_FALSE(Parse({"-o", "o.png", "--"}, &error));
    EXPECT_EQ(error, "a model and -o OUT.png are required");
}

// Pictures frame the whole model unless the viewer's rule is asked for; with several models
// or an output that names a folder, each picture goes into it named after its model.
TEST(SnapOptions, TheThumbnailersAndAUsersCommandLinesParse)
{
    const auto thumbnail =
        Parse({"--size", "128", "--transparent", "-o", "/t/o.png", "--", "-odd name.fbx"});
    ASSERT_TRUE(thumbnail);
    EXPECT_EQ(thumbnail->modelPaths, std::vector<std::string>{"-odd name.fbx"});
    EXPECT_EQ(thumbnail->outputPath, "/t/o.png");
    EXPECT_TRUE(thumbnail->transparent);
    EXPECT_FALSE(thumbnail->showSky);
    EXPECT_TRUE(thumbnail->frameWholeModel);
    EXPECT_FALSE(thumbnail->clipTime);

    const auto user =
        Parse({"m.fbx", "-o", "o.png", "--frame", "largest", "--time", "1.25", "--skeleton"});
    ASSERT_TRUE(user);
    EXPECT_FALSE(user->frameWholeModel);
    EXPECT_EQ(user->clipTime, 1.25f);
    EXPECT_TRUE(user->showSkeleton);
    EXPECT_TRUE(Parse({"m.fbx", "-o", "o.png", "--frame", "whole"})->frameWholeModel);

    // Several models get one picture each in the output folder.
    const auto several = Parse({"a/spider.fbx", "-o", "out", "b/Box.Final.FBX", "c/noext"});
    ASSERT_TRUE(several);
    EXPECT_EQ(several->modelPaths,
              (std::vector<std::string>{"a/spider.fbx", "b/Box.Final.FBX", "c/noext"}));
    EXPECT_TRUE(WritesIntoFolder(*several));
    EXPECT_EQ(PicturePath(*several, "b/Box.Final.FBX"), "out/Box.Final.png");
    EXPECT_EQ(PicturePath(*several, "c/noext"), "out/noext.png");

    // One model: the output is the picture, unless it names a folder.
    const auto one = Parse({"a/spider.fbx", "-o", "/no/such/dir/x.png"});
    EXPECT_FALSE(WritesIntoFolder(*one));
    EXPECT_EQ(PicturePath(*one, "a/spider.fbx"), "/no/such/dir/x.png");
    const auto intoFolder = Parse({"a/spider.fbx", "-o", "/no/such/dir/"});
    EXPECT_EQ(PicturePath(*intoFolder, "a/spider.fbx"), "/no/such/dir/spider.png");
}

}  // namespace
