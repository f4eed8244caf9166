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

// What OpenEXR wrote reads back top row first from the data window's corner, each channel
// clamped to 0..1 (NaN as 0) and rounded; a tall image takes several passes.
TEST(ExrReader, ReadsWhatOpenExrWroteAsClampedBytes)
{
    ScratchDirectory dir;
    // Data window (-5, -5) to (2, 0): 8 x 6 texels.
    const Imath::Box2i window(Imath::V2i(-5, -5), Imath::V2i(2, 0));
    std::vector<Imf::Rgba> texels(8 * 6, Imf::Rgba(0.0f, 0.0f, 0.0f, 1.0f));
    texels.front() = Imf::Rgba(1.0f, 0.5f, 0.0f, 1.0f);
    texels.back() = Imf::Rgba(std::numeric_limits<float>::infinity(), -1.0f, 0.25f,
                              std::numeric_limits<float>::quiet_NaN());
    {
        Imf::Header header(Imath::Box2i(Imath::V2i(-10, -10), Imath::V2i(10, 10)), window);
        Imf::RgbaOutputFile out((dir / "offset.exr").c_str(), header, Imf::WRITE_RGBA);
        out.setFrameBuffer(texels.data() + 5 + 5 * 8, 1, 8);
        out.writePixels(6);
    }
    std::optional<ExrImage> image = ReadExrImage(dir / "offset.exr");
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->width, 8u);
    EXPECT_EQ(image->height, 6u);
    EXPECT_EQ(Texel(*image, 0, 0), (std::array<uint8_t, 4>{255, 128, 0, 255}));
    EXPECT_EQ(Texel(*image, 7, 5), (std::array<uint8_t, 4>{255, 0, 64, 0}));

    // 3 x 200, R telling the row.
    std::vector<Imf::Rgba> tall(3 * 200);
    for (size_t i = 0; i < tall.size(); ++i)
        tall[i] = Imf::Rgba(static_cast<float>(i / 3) / 255.0f, 0.0f, 0.0f, 1.0f);
    {
        Imf::RgbaOutputFile out((dir / "tall.exr").c_str(), 3, 200, Imf::WRITE_RGBA);
        out.setFrameBuffer(tall.data(), 1, 3);
        out.writePixels(200);
    }
    image = ReadExrImage(dir / "tall.exr");
    ASSERT_TRUE(image.has_value());
    for (uint32_t y : {0u, 63u, 64u, 130u, 199u})
        EXPECT_EQ(Texel(*image, 2, y)[0], y);
}

TEST(ExrReader, UnreadableFilesGiveNothing)
{
    ScratchDirectory dir;
    EXPECT_FALSE(ReadExrImage(dir / "missing.exr").has_value());
    WriteBytes(dir / "garbage.exr", std::vector<uint8_t>(300, 0x76));
    EXPECT_FALSE(ReadExrImage(dir / "garbage.exr").has_value());
    WriteBytes(dir / "cut.exr", {0x76, 0x2f, 0x31, 0x01, 2, 0, 0, 0});
    EXPECT_FALSE(ReadExrImage(dir / "cut.exr").has_value());
    ASSERT_EQ(mkfifo((dir / "pipe.exr").c_str(), 0600), 0);
    EXPECT_FALSE(ReadExrImage(dir / "pipe.exr").has_value());  // and does not block
}

}  // namespace
