#include <gtest/gtest.h>

#include "TextureTestFiles.h"
#include "textures/TargaImage.h"

using namespace texture_test;
using Rgba = std::array<uint8_t, 4>;

TEST(TargaTrueColour, BottomUpFileLandsTopRowFirst)
{
    // 2 x 2, bottom row stored first; texels stored B, G, R, A.
    TgaLayout layout{.type = 2, .width = 2, .height = 2, .depth = 32, .descriptor = 0x08};
    TargaImage image = DecodeTargaImage(TgaBytes(
        layout, {10, 20, 30, 40, 11, 21, 31, 41, /* top row */ 12, 22, 32, 42, 13, 23, 33, 43}));
    ASSERT_TRUE(image.HasPixels());
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.Texel(0, 1), (Rgba{30, 20, 10, 40}));  // bottom left
    EXPECT_EQ(image.Texel(1, 1), (Rgba{31, 21, 11, 41}));
    EXPECT_EQ(image.Texel(0, 0), (Rgba{32, 22, 12, 42}));
}

TEST(TargaTrueColour, OriginBitsFlipRowsAndColumns)
{
    TgaLayout layout{.type = 2, .width = 2, .height = 2, .depth = 24, .descriptor = 0x30};
    TargaImage image =
        DecodeTargaImage(TgaBytes(layout, {1, 1, 1, 2, 2, 2, /* second row */ 3, 3, 3, 4, 4, 4}));
    ASSERT_TRUE(image.HasPixels());
    // Top first, right to left.
    EXPECT_EQ(image.Texel(0, 0), (Rgba{2, 2, 2, 255}));
    EXPECT_EQ(image.Texel(1, 0), (Rgba{1, 1, 1, 255}));
    EXPECT_EQ(image.Texel(0, 1), (Rgba{4, 4, 4, 255}));
}

TEST(TargaTrueColour, ImageIdFieldIsSkipped)
{
    TgaLayout layout{.type = 2, .width = 1, .height = 1, .depth = 32, .idLength = 5};
    TargaImage image = DecodeTargaImage(TgaBytes(layout, {1, 2, 3, 4}));
    ASSERT_TRUE(image.HasPixels());
    EXPECT_EQ(image.Texel(0, 0), (Rgba{3, 2, 1, 4}));
}

TEST(TargaOtherTypes, GreyscaleAndColourMapped)
{
    TargaImage grey = DecodeTargaImage(TgaBytes({.type = 3, .width = 2, .depth = 8}, {9, 200}));
    ASSERT_TRUE(grey.HasPixels());
    EXPECT_EQ(grey.Texel(1, 0), (Rgba{200, 200, 200, 255}));

    TargaImage greyAlpha =
        DecodeTargaImage(TgaBytes({.type = 3, .width = 1, .depth = 16}, {9, 77}));
    ASSERT_TRUE(greyAlpha.HasPixels());
    EXPECT_EQ(greyAlpha.Texel(0, 0), (Rgba{9, 9, 9, 77}));

    TgaLayout mapped{.type = 1, .width = 2, .depth = 8, .mapLength = 2, .mapEntryBits = 24};
    TargaImage image = DecodeTargaImage(TgaBytes(mapped, {1, 0}, {1, 2, 3, 4, 5, 6}));
    ASSERT_TRUE(image.HasPixels());
    EXPECT_EQ(image.Texel(0, 0), (Rgba{6, 5, 4, 255}));
    EXPECT_EQ(image.Texel(1, 0), (Rgba{3, 2, 1, 255}));

    mapped.mapEntryBits = 32;
    mapped.mapLength = 1;
    image = DecodeTargaImage(TgaBytes(mapped, {0, 0}, {1, 2, 3, 4}));
    ASSERT_TRUE(image.HasPixels());
    EXPECT_EQ(image.Texel(1, 0), (Rgba{3, 2, 1, 4}));

    // An index beyond the colour map must not read past it.
    EXPECT_FALSE(DecodeTargaImage(TgaBytes(mapped, {0, 1}, {1, 2, 3, 4})).HasPixels());
}

TEST(TargaRunLength, RepeatAndLiteralPackets)
{
    TgaLayout layout{.type = 10, .width = 6, .height = 1, .depth = 32};
    // 0x83: one texel repeated four times; 0x01: two literal texels.
    TargaImage image =
        DecodeTargaImage(TgaBytes(layout, {0x83, 1, 2, 3, 4, 0x01, 5, 6, 7, 8, 9, 10, 11, 12}));
    ASSERT_TRUE(image.HasPixels());
    for (uint32_t x = 0; x < 4; ++x)
        EXPECT_EQ(image.Texel(x, 0), (Rgba{3, 2, 1, 4}));
    EXPECT_EQ(image.Texel(4, 0), (Rgba{7, 6, 5, 8}));
    EXPECT_EQ(image.Texel(5, 0), (Rgba{11, 10, 9, 12}));

    TargaImage grey = DecodeTargaImage(TgaBytes({.type = 11, .width = 3, .depth = 8}, {0x82, 50}));
    ASSERT_TRUE(grey.HasPixels());
    EXPECT_EQ(grey.Texel(2, 0), (Rgba{50, 50, 50, 255}));
}

TEST(TargaRunLength, OverrunOrShortInputGivesNoPixels)
{
    TgaLayout layout{.type = 10, .width = 2, .height = 1, .depth = 32};
    EXPECT_FALSE(DecodeTargaImage(TgaBytes(layout, {0x82, 1, 2, 3, 4})).HasPixels());  // 3 > 2
    EXPECT_FALSE(DecodeTargaImage(TgaBytes(layout, {0x01, 1, 2, 3, 4})).HasPixels());  // cut
    EXPECT_FALSE(DecodeTargaImage(TgaBytes(layout, {0x81, 1, 2})).HasPixels());
}

TEST(TargaRejected, UnsupportedDepthsTypesAndTruncation)
{
    EXPECT_FALSE(DecodeTargaImage(TgaBytes({.type = 2, .depth = 16}, {1, 2})).HasPixels());
    EXPECT_FALSE(DecodeTargaImage(TgaBytes({.type = 4, .depth = 32}, {1, 2, 3, 4})).HasPixels());
    EXPECT_FALSE(
        DecodeTargaImage(
            TgaBytes({.type = 1, .depth = 8, .mapLength = 1, .mapEntryBits = 16}, {0}, {1, 2}))
            .HasPixels());

    std::vector<uint8_t> truncated =
        TgaBytes({.type = 2, .width = 2, .height = 2, .depth = 32}, std::vector<uint8_t>(15, 1));
    TargaImage image = DecodeTargaImage(truncated);
    EXPECT_FALSE(image.HasPixels());
    EXPECT_EQ(image.width, 2);

    EXPECT_FALSE(DecodeTargaImage(std::vector<uint8_t>(17, 2)).HasPixels());

    // Largest sides on a tiny file: refused before any allocation for them.
    EXPECT_FALSE(DecodeTargaImage(
                     TgaBytes({.type = 10, .width = 16384, .height = 16384}, {0xFF, 1, 2, 3, 4}))
                     .HasPixels());
    EXPECT_FALSE(
        DecodeTargaImage(TgaBytes({.type = 2, .width = 16385, .height = 1}, {})).HasPixels());
}

TEST(TargaFiles, ReadsFromDisk)
{
    ScratchDirectory dir;
    WriteBytes(dir / "a.tga", TgaBytes({.type = 2, .depth = 32}, {1, 2, 3, 4}));
    std::optional<TargaImage> image = ReadTargaImage(dir / "a.tga");
    ASSERT_TRUE(image.has_value());
    ASSERT_TRUE(image->HasPixels());
    EXPECT_EQ(image->Texel(0, 0), (Rgba{3, 2, 1, 4}));
    EXPECT_FALSE(ReadTargaImage(dir / "missing.tga").has_value());
}
