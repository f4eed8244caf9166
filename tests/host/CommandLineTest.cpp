// The program's arguments, its test hooks and the start screen's layout; which dropped
// names reach the engine, and as what.
#include <gtest/gtest.h>

#include <filesystem>

#include "CommandLine.h"
#include "DropRule.h"
#include "StartScreenLayout.h"
#include "TestHooks.h"
#include "platform/Paths.h"
#include "platform/Utf.h"

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

// Only the exact image spellings of the final name's extension (TGA, DDS and the HDR
// panoramas, lower or upper case) are images; every other name, whatever its bytes, goes to
// the engine unchanged as a model. Only no name is refused.
TEST(ClassifyDroppedName, OnlyTheExactImageSpellingsAreImages)
{
    EXPECT_FALSE(ClassifyDroppedName(nullptr));
    EXPECT_FALSE(ClassifyDroppedName(""));
    for (const char* image : {"/a/b.tga", "/a/b.TGA", "/a/b.dds", "/a/b.DDS", "/a/.hidden.tga",
                              "/x.y/b.dds", "/a/sky.hdr", "/a/sky.EXR"}) {
        const auto action = ClassifyDroppedName(image);
        ASSERT_TRUE(action) << image;
        EXPECT_EQ(action->target, DropTarget::Image) << image;
    }
    for (const char* model :
         {"/a/b.Tga", "/a/b.tGA", "/a/b.Dds", "/a/b.fbx", "/a/b.png", "/a/b.tga.bak", "/a/b.Hdr",
          "/a/tga", "/a/.tga", "/a/.DDS", ".tga", "/a.dds/hero", "/a/dir.dds/", "/a/name.",
          "/mod\xC3\xA8les/h\xC3\xA9ros.fbx", "/a/\xFF.fbx", "/a\\b/c.fbx"}) {
        const auto action = ClassifyDroppedName(model);
        ASSERT_TRUE(action) << model;
        EXPECT_EQ(action->target, DropTarget::Model) << model;
        EXPECT_EQ(action->path, model);
    }
}

// Images go as UTF-16; a byte outside well-formed UTF-8 travels as a lone surrogate, and the
// engine's reading gives back every byte string.
TEST(NameToUtf16, EveryNameComesBackAsItsBytes)
{
    const auto image = ClassifyDroppedName("/t\xC3\xA9xtures/\xE2\x82\xAC\xF0\x9F\x98\x80.dds");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->utf16Path, u"/t\u00E9xtures/\u20AC\U0001F600.dds");
    EXPECT_EQ(ClassifyDroppedName("/caf\xE9/\xC3.tga")->utf16Path, u"/caf\xDCE9/\xDCC3.tga");
    for (const char* name : {"/plain/a.dds", "/caf\xE9/\xFF\xFE.dds", "/\xED\xA0\x80/x.dds",
                             "/\xC3\xA9\xF0\x9F\x98\x80\x80/x.tga", "/a\\b/\xC0\xAF.dds"}) {
        const std::optional<std::filesystem::path> back =
            platform::WideNameToPath(platform::NameToUtf16(name));
        ASSERT_TRUE(back) << name;
        EXPECT_EQ(back->native(), name);
    }
    EXPECT_FALSE(platform::WideNameToPath(u"/lone\xD800/x.dds"));
    EXPECT_FALSE(platform::WideNameToPath(u"/lone\xDC10/x.dds"));
}

// A drop hands on its first readable name only, and the next drop starts afresh; names
// outside a Begin and Complete pair are drops of their own.
TEST(DropBatch, EachDropHandsOnItsFirstReadableName)
{
    DropBatch batch;
    EXPECT_TRUE(batch.Offer("/a/one.fbx"));
    EXPECT_TRUE(batch.Offer("/a/two.fbx"));
    batch.Begin();
    EXPECT_FALSE(batch.Offer(nullptr));
    EXPECT_FALSE(batch.Offer(""));
    const auto image = batch.Offer("/a/picture.TGA");
    EXPECT_FALSE(batch.Offer("/a/model.fbx"));
    batch.Complete();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->utf16Path, u"/a/picture.TGA");
    batch.Begin();
    EXPECT_TRUE(batch.Offer("/a/three.fbx"));
    batch.Complete();
}

TEST(Utf8ToUtf16, ConvertsEveryEncodingLengthAndRefusesMalformedSequences)
{
    EXPECT_EQ(platform::Utf8ToUtf16("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"),
              u"A\u00E9\u20AC\U0001F600");
    EXPECT_EQ(platform::Utf8ToUtf16("\xF4\x8F\xBF\xBF\xEF\xBF\xBF"), u"\U0010FFFF\uFFFF");
    // Stray and truncated sequences, overlong '/', a surrogate, above U+10FFFF, five bytes.
    for (const char* bad :
         {"\x80", "\xC3", "\xE2\x82", "\xE2\x41\x41", "\xC0\xAF", "\xE0\x80\xAF",
          "\xF0\x80\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80", "\xFE"})
        EXPECT_FALSE(platform::Utf8ToUtf16(bad)) << testing::PrintToString(bad);

    EXPECT_EQ(platform::Utf16ToUtf8(u"A\u00E9\u20AC\U0001F600"),
              "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    // A lone high, a lone low, a high at the end and a swapped pair.
    for (std::u16string bad : {u"a\xD83D"
                               u"b",
                               u"\xDE00", u"a\xD83D", u"\xDE00\xD83D"})
        EXPECT_FALSE(platform::Utf16ToUtf8(bad));
}

}  // namespace
}  // namespace host
