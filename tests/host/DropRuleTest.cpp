// Which dropped names reach the engine, and as what.
#include <gtest/gtest.h>

#include <filesystem>

#include "DropRule.h"
#include "Utf.h"
#include "platform/Paths.h"

namespace host {
namespace {

// Only the four exact image spellings of the final name's extension are images; every other
// name, whatever its bytes, goes to the engine unchanged as a model. Only no name is refused.
TEST(ClassifyDroppedName, OnlyTheFourExactImageSpellingsAreImages)
{
    EXPECT_FALSE(ClassifyDroppedName(nullptr));
    EXPECT_FALSE(ClassifyDroppedName(""));
    for (const char* image :
         {"/a/b.tga", "/a/b.TGA", "/a/b.dds", "/a/b.DDS", "/a/.hidden.tga", "/x.y/b.dds"}) {
        const auto action = ClassifyDroppedName(image);
        ASSERT_TRUE(action) << image;
        EXPECT_EQ(action->target, DropTarget::Image) << image;
    }
    for (const char* model :
         {"/a/b.Tga", "/a/b.tGA", "/a/b.Dds", "/a/b.fbx", "/a/b.png", "/a/b.tga.bak", "/a/tga",
          "/a/.tga", "/a/.DDS", ".tga", "/a.dds/hero", "/a/dir.dds/", "/a/name.",
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
            platform::WideNameToPath(NameToUtf16(name));
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
    EXPECT_EQ(Utf8ToUtf16("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), u"A\u00E9\u20AC\U0001F600");
    EXPECT_EQ(Utf8ToUtf16("\xF4\x8F\xBF\xBF\xEF\xBF\xBF"), u"\U0010FFFF\uFFFF");
    // Stray and truncated sequences, overlong '/', a surrogate, above U+10FFFF, five bytes.
    for (const char* bad :
         {"\x80", "\xC3", "\xE2\x82", "\xE2\x41\x41", "\xC0\xAF", "\xE0\x80\xAF",
          "\xF0\x80\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80", "\xFE"})
        EXPECT_FALSE(Utf8ToUtf16(bad)) << testing::PrintToString(bad);

    EXPECT_EQ(Utf16ToUtf8(u"A\u00E9\u20AC\U0001F600"), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    // A lone high, a lone low, a high at the end and a swapped pair.
    for (std::u16string bad : {u"a\xD83D"
                               u"b",
                               u"\xDE00", u"a\xD83D", u"\xDE00\xD83D"})
        EXPECT_FALSE(Utf16ToUtf8(bad));
}

}  // namespace
}  // namespace host
