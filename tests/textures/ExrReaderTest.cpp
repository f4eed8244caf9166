#include <ImfRgbaFile.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TextureTestFiles.h"
#include "textures/ExrImage.h"

using namespace texture_test;

namespace {

std::array<uint8_t, 4> Texel(const ExrImage& image, uint32_t x, uint32_t y)
{
    std::array<uint8_t, 4> bytes{};
    std::memcpy(bytes.data(), &image.pixels[y * image.width + x], 4);
    return bytes;
}

}  // namespace

TEST(ExrReader, RoundTripThroughOpenExrWithOffsetDataWindow)
{
    ScratchDirectory dir;
    const auto path = dir / "offset.exr";
    // Data window (-5, -5) to (2, 0): 8 x 6 texels.
    const Imath::Box2i window(Imath::V2i(-5, -5), Imath::V2i(2, 0));
    const int width = 8, height = 6;
    std::vector<Imf::Rgba> texels(width * height, Imf::Rgba(0.0f, 0.0f, 0.0f, 1.0f));
    texels[0] = Imf::Rgba(1.0f, 0.5f, 0.0f, 1.0f);
    texels[width * height - 1] = Imf::Rgba(2.0f, -1.0f, 0.25f, 0.0f);
    {
        Imf::Header header(Imath::Box2i(Imath::V2i(-10, -10), Imath::V2i(10, 10)), window);
        Imf::RgbaOutputFile out(path.c_str(), header, Imf::WRITE_RGBA);
        out.setFrameBuffer(texels.data() - window.min.x - window.min.y * width, 1, width);
        out.writePixels(height);
    }
    std::optional<ExrImage> image = ReadExrImage(path);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->width, 8u);
    EXPECT_EQ(image->height, 6u);
    EXPECT_EQ(Texel(*image, 0, 0), (std::array<uint8_t, 4>{255, 128, 0, 255}));
    // Out-of-range values are clamped.
    EXPECT_EQ(Texel(*image, 7, 5), (std::array<uint8_t, 4>{255, 0, 64, 0}));
    EXPECT_EQ(Texel(*image, 3, 2), (std::array<uint8_t, 4>{0, 0, 0, 255}));
}

TEST(ExrReader, TallImageIsReadAcrossSeveralPasses)
{
    ScratchDirectory dir;
    const auto path = dir / "tall.exr";
    const int width = 3, height = 200;
    std::vector<Imf::Rgba> texels(width * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            texels[y * width + x] = Imf::Rgba(y / 255.0f, x / 255.0f, 0.0f, 1.0f);
    {
        Imf::RgbaOutputFile out(path.c_str(), width, height, Imf::WRITE_RGBA);
        out.setFrameBuffer(texels.data(), 1, width);
        out.writePixels(height);
    }
    std::optional<ExrImage> image = ReadExrImage(path);
    ASSERT_TRUE(image.has_value());
    for (uint32_t y : {0u, 63u, 64u, 130u, 199u}) {
        EXPECT_EQ(Texel(*image, 2, y)[0], y) << y;
        EXPECT_EQ(Texel(*image, 2, y)[1], 2);
    }
}

TEST(ExrReader, UnreadableFilesGiveNothing)
{
    ScratchDirectory dir;
    EXPECT_FALSE(ReadExrImage(dir / "missing.exr").has_value());
    WriteBytes(dir / "garbage.exr", std::vector<uint8_t>(300, 0x76));
    EXPECT_FALSE(ReadExrImage(dir / "garbage.exr").has_value());
    std::vector<uint8_t> header = {0x76, 0x2f, 0x31, 0x01, 2, 0, 0, 0};
    WriteBytes(dir / "cut.exr", header);
    EXPECT_FALSE(ReadExrImage(dir / "cut.exr").has_value());
    ASSERT_EQ(mkfifo((dir / "pipe.exr").c_str(), 0600), 0);
    EXPECT_FALSE(ReadExrImage(dir / "pipe.exr").has_value());  // and does not block
}

TEST(ExrReader, ChannelConversionClampsAndRounds)
{
    EXPECT_EQ(ExrChannelToByte(0.0f), 0);
    EXPECT_EQ(ExrChannelToByte(-3.0f), 0);
    EXPECT_EQ(ExrChannelToByte(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(ExrChannelToByte(0.5f), 128);
    EXPECT_EQ(ExrChannelToByte(1.0f), 255);
    EXPECT_EQ(ExrChannelToByte(std::numeric_limits<float>::infinity()), 255);
}
