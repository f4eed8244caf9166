#include <gtest/gtest.h>

#include "TextureTestFiles.h"
#include "textures/TargaImage.h"

using namespace texture_test;
using Rgba = std::array<uint8_t, 4>;

namespace {

struct TexelAt {
    uint32_t x, y;
    Rgba rgba;
};

}  // namespace

// Every kind of file the reader decodes, each checked at texels that tell its row order,
// column order and byte order apart; texels are stored B, G, R, A.
TEST(TargaDecoding, EveryTypeLandsTopRowFirstInRgba)
{
    const struct {
        const char* label;
        TgaLayout layout;
        std::vector<uint8_t> data, colourMap;
        std::vector<TexelAt> texels;
    } cases[] = {
        {"bottom-up 32 bits",
         {.type = 2, .width = 2, .height = 2, .depth = 32, .descriptor = 0x08},
         {10, 20, 30, 40, 11, 21, 31, 41, /* top row */ 12, 22, 32, 42, 13, 23, 33, 43},
         {},
         {{0, 1, {30, 20, 10, 40}}, {1, 1, {31, 21, 11, 41}}, {0, 0, {32, 22, 12, 42}}}},
        {"top-down right to left, 24 bits",
         {.type = 2, .width = 2, .height = 2, .depth = 24, .descriptor = 0x30},
         {1, 1, 1, 2, 2, 2, /* second row */ 3, 3, 3, 4, 4, 4},
         {},
         {{0, 0, {2, 2, 2, 255}}, {1, 0, {1, 1, 1, 255}}, {0, 1, {4, 4, 4, 255}}}},
        {"image ID skipped",
         {.type = 2, .depth = 32, .idLength = 5},
         {1, 2, 3, 4},
         {},
         {{0, 0, {3, 2, 1, 4}}}},
        {"grey", {.type = 3, .width = 2, .depth = 8}, {9, 200}, {}, {{1, 0, {200, 200, 200, 255}}}},
        {"grey and alpha", {.type = 3, .depth = 16}, {9, 77}, {}, {{0, 0, {9, 9, 9, 77}}}},
        {"24-bit colour map",
         {.type = 1, .width = 2, .depth = 8, .mapLength = 2, .mapEntryBits = 24},
         {1, 0},
         {1, 2, 3, 4, 5, 6},
         {{0, 0, {6, 5, 4, 255}}, {1, 0, {3, 2, 1, 255}}}},
        {"32-bit colour map",
         {.type = 1, .width = 2, .depth = 8, .mapLength = 1, .mapEntryBits = 32},
         {0, 0},
         {1, 2, 3, 4},
         {{1, 0, {3, 2, 1, 4}}}},
        // 0x83: one texel repeated four times; 0x01: two literal texels.
        {"run length",
         {.type = 10, .width = 6, .depth = 32},
         {0x83, 1, 2, 3, 4, 0x01, 5, 6, 7, 8, 9, 10, 11, 12},
         {},
         {{0, 0, {3, 2, 1, 4}},
          {3, 0, {3, 2, 1, 4}},
          {4, 0, {7, 6, 5, 8}},
          {5, 0, {11, 10, 9, 12}}}},
        {"grey run length",
         {.type = 11, .width = 3, .depth = 8},
         {0x82, 50},
         {},
         {{2, 0, {50, 50, 50, 255}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const TargaImage image = DecodeTargaImage(TgaBytes(c.layout, c.data, c.colourMap));
        ASSERT_TRUE(image.HasPixels());
        EXPECT_EQ(image.width, c.layout.width);
        for (const TexelAt& texel : c.texels)
            EXPECT_EQ(image.Texel(texel.x, texel.y), texel.rgba) << texel.x << "," << texel.y;
    }
}

// Hostile or unsupported files give no pixels, and read nothing past their end.
TEST(TargaDecoding, UnsupportedCutOrOverrunningFilesGiveNoPixels)
{
    const TgaLayout mapped{.type = 1, .width = 2, .depth = 8, .mapLength = 1, .mapEntryBits = 32};
    const TgaLayout runs{.type = 10, .width = 2, .depth = 32};
    const std::vector<uint8_t> files[] = {
        TgaBytes(mapped, {0, 1}, {1, 2, 3, 4}),  // an index beyond the colour map
        TgaBytes(runs, {0x82, 1, 2, 3, 4}),      // a run of 3 in 2 texels
        TgaBytes(runs, {0x01, 1, 2, 3, 4}),      // cut inside a literal packet
        TgaBytes(runs, {0x81, 1, 2}),
        TgaBytes({.type = 2, .depth = 16}, {1, 2}),
        TgaBytes({.type = 4, .depth = 32}, {1, 2, 3, 4}),
        TgaBytes({.type = 1, .depth = 8, .mapLength = 1, .mapEntryBits = 16}, {0}, {1, 2}),
        std::vector<uint8_t>(17, 2),  // shorter than a header
        // Largest sides on a tiny file: refused before any allocation for them.
        TgaBytes({.type = 10, .width = 16384, .height = 16384}, {0xFF, 1, 2, 3, 4}),
        TgaBytes({.type = 2, .width = 16385, .height = 1}, {}),
    };
    for (size_t i = 0; i < std::size(files); ++i)
        EXPECT_FALSE(DecodeTargaImage(files[i]).HasPixels()) << "file " << i;

    // The size read before the data ran out is kept.
    TargaImage truncated = DecodeTargaImage(
        TgaBytes({.type = 2, .width = 2, .height = 2, .depth = 32}, std::vector<uint8_t>(15, 1)));
    EXPECT_FALSE(truncated.HasPixels());
    EXPECT_EQ(truncated.width, 2);
}
