// Which dropped names reach the engine, and as what.
#include <gtest/gtest.h>

#include <filesystem>

#include "DropRule.h"
#include "Utf.h"
#include "platform/Paths.h"

namespace host {
namespace {

TEST(FinalNameExtension, TakesTheLastDotOfTheFinalName)
{
    EXPECT_EQ(FinalNameExtension("/models/hero.fbx"), ".fbx");
    EXPECT_EQ(FinalNameExtension("/models/hero.lod0.FBX"), ".FBX");
    EXPECT_EQ(FinalNameExtension("/some.dir/hero"), "");
    EXPECT_EQ(FinalNameExtension("hero"), "");
    EXPECT_EQ(FinalNameExtension("/textures/.tga"), "");
    EXPECT_EQ(FinalNameExtension(".tga"), "");
    EXPECT_EQ(FinalNameExtension("/textures/.hidden.tga"), ".tga");
    EXPECT_EQ(FinalNameExtension("/textures/name."), ".");
    EXPECT_EQ(FinalNameExtension("/textures/dir.dds/"), "");
}

TEST(ClassifyDroppedName, OnlyTheFourExactImageSpellingsAreImagesAndOnlyNoNameIsRefused)
{
    EXPECT_FALSE(ClassifyDroppedName(nullptr));
    EXPECT_FALSE(ClassifyDroppedName(""));
    for (const char* image : {"/a/b.tga", "/a/b.TGA", "/a/b.dds", "/a/b.DDS"}) {
        const auto action = ClassifyDroppedName(image);
        ASSERT_TRUE(action) << image;
        EXPECT_EQ(action->target, DropTarget::Image) << image;
    }
    for (const char* model : {"/a/b.Tga", "/a/b.tGA", "/a/b.Dds", "/a/b.fbx", "/a/b.png",
                              "/a/b.tga.bak", "/a/tga", "/a/.tga", "/a/.DDS"}) {
        const auto action = ClassifyDroppedName(model);
        ASSERT_TRUE(action) << model;
        EXPECT_EQ(action->target, DropTarget::Model) << model;
        EXPECT_EQ(action->path, model);
    }
}

TEST(ClassifyDroppedName, ImagesGoAsUtf16AndModelsAsTheSystemsBytes)
{
    const auto image = ClassifyDroppedName("/t\xC3\xA9xtures/\xE2\x82\xAC\xF0\x9F\x98\x80.dds");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->utf16Path, u"/t\u00E9xtures/\u20AC\U0001F600.dds");

    // Names are bytes: one that is not UTF-8 is no less a file's name.
    for (const char* name : {"/mod\xC3\xA8les/h\xC3\xA9ros.fbx", "/a/\xFF.fbx", "/a\\b/c.fbx"}) {
        const auto model = ClassifyDroppedName(name);
        ASSERT_TRUE(model) << name;
        EXPECT_EQ(model->target, DropTarget::Model);
        EXPECT_EQ(model->path, name);
    }
    const auto latin1 = ClassifyDroppedName("/caf\xE9/\xC3.tga");
    ASSERT_TRUE(latin1);
    EXPECT_EQ(latin1->utf16Path, u"/caf\xDCE9/\xDCC3.tga");
}

// The host's wide names and the engine's reading of them: every byte string survives.
TEST(NameToUtf16, EveryNameComesBackAsItsBytes)
{
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
    EXPECT_FALSE(batch.Offer("/a/third.fbx"));
    batch.Complete();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->target, DropTarget::Image);
    EXPECT_EQ(image->utf16Path, u"/a/picture.TGA");
    batch.Begin();
    EXPECT_TRUE(batch.Offer("/a/three.fbx"));
    batch.Complete();
}

TEST(Utf8ToUtf16, ConvertsEveryEncodingLength)
{
    EXPECT_EQ(Utf8ToUtf16(""), u"");
    EXPECT_EQ(Utf8ToUtf16("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), u"A\u00E9\u20AC\U0001F600");
    EXPECT_EQ(Utf8ToUtf16("\xF4\x8F\xBF\xBF"), u"\U0010FFFF");
    EXPECT_EQ(Utf8ToUtf16("\xEF\xBF\xBF"), u"\uFFFF");
}

TEST(Utf8ToUtf16, RefusesMalformedSequences)
{
    EXPECT_FALSE(Utf8ToUtf16("\x80"));                  // stray continuation byte
    EXPECT_FALSE(Utf8ToUtf16("\xC3"));                  // truncated at the end
    EXPECT_FALSE(Utf8ToUtf16("\xE2\x82"));              // truncated three-byte sequence
    EXPECT_FALSE(Utf8ToUtf16("\xE2\x41\x41"));          // continuation expected
    EXPECT_FALSE(Utf8ToUtf16("\xC0\xAF"));              // overlong '/'
    EXPECT_FALSE(Utf8ToUtf16("\xE0\x80\xAF"));          // overlong '/'
    EXPECT_FALSE(Utf8ToUtf16("\xF0\x80\x80\xAF"));      // overlong '/'
    EXPECT_FALSE(Utf8ToUtf16("\xED\xA0\x80"));          // encoded surrogate
    EXPECT_FALSE(Utf8ToUtf16("\xF4\x90\x80\x80"));      // above U+10FFFF
    EXPECT_FALSE(Utf8ToUtf16("\xF8\x88\x80\x80\x80"));  // five-byte form
    EXPECT_FALSE(Utf8ToUtf16("\xFE"));
}

TEST(Utf16ToUtf8, ConvertsPairsAndRefusesLoneSurrogates)
{
    EXPECT_EQ(Utf16ToUtf8(u"A\u00E9\u20AC\U0001F600"), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    const char16_t loneHigh[] = {u'a', 0xD83D, u'b', 0};
    const char16_t loneLow[] = {0xDE00, 0};
    const char16_t highAtEnd[] = {u'a', 0xD83D, 0};
    const char16_t swapped[] = {0xDE00, 0xD83D, 0};
    EXPECT_FALSE(Utf16ToUtf8(loneHigh));
    EXPECT_FALSE(Utf16ToUtf8(loneLow));
    EXPECT_FALSE(Utf16ToUtf8(highAtEnd));
    EXPECT_FALSE(Utf16ToUtf8(swapped));
}

}  // namespace
}  // namespace host
