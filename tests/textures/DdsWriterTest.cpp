#include <gtest/gtest.h>

#include "TextureTestFiles.h"
#include "textures/DdsReader.h"
#include "textures/DdsWriter.h"
#include "textures/DxgiFormat.h"
#include "textures/Screenshot.h"
#include "textures/TextureResult.h"

using namespace texture_test;

namespace {

constexpr uint32_t kRgba = DXGI_FORMAT_R8G8B8A8_UNORM;

std::vector<uint8_t> TexelsOf(const DdsWriteResult& file)
{
    EXPECT_EQ(file.result, texture_result::Ok);
    return {file.bytes.begin() + std::min<size_t>(128, file.bytes.size()), file.bytes.end()};
}

// Each row contributes the smaller of its packed size and the pitch; sources too short for
// their rows, and formats without a file layout, are refused.
TEST(DdsWriterRows, PitchPaddingIsDroppedAndShortSourcesRefused)
{
    // 2 x 2 RGBA8 rows 12 bytes apart, the last 4 of each row padding.
    std::vector<uint8_t> source = {1, 1, 1, 1, 2, 2, 2, 2, 9, 9, 9, 9, 3, 3, 3, 3, 4, 4, 4, 4};
    EXPECT_EQ(TexelsOf(BuildDdsFile(kRgba, 2, 2, 12, source)),
              (std::vector<uint8_t>{1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4}));
    const std::vector<uint8_t> narrow = {5, 5, 5, 5, 6, 6, 6, 6};
    EXPECT_EQ(TexelsOf(BuildDdsFile(kRgba, 2, 2, 4, narrow)),
              (std::vector<uint8_t>{5, 5, 5, 5, 0, 0, 0, 0, 6, 6, 6, 6, 0, 0, 0, 0}));

    source.pop_back();
    for (const auto& [width, pitch] :
         {std::pair{2u, uint64_t{12}}, {0u, 12}, {2u, 0}, {2u, UINT64_MAX}})
        EXPECT_EQ(BuildDdsFile(kRgba, width, 2, pitch, source).result,
                  texture_result::InvalidArgument)
            << width << " " << pitch;
    for (uint32_t format : {DXGI_FORMAT_AI44, DXGI_FORMAT_IA44, DXGI_FORMAT_P8, DXGI_FORMAT_A8P8,
                            DXGI_FORMAT_UNKNOWN})
        EXPECT_EQ(BuildDdsFile(format, 2, 2, 8, source).result, texture_result::NotSupported);

    // NV12 4 x 3: rows of 4 bytes, surface 12 + 6 bytes, so the fifth row is half a row.
    source.resize(5 * 8);
    std::iota(source.begin(), source.end(), uint8_t{0});
    const std::vector<uint8_t> planar = BuildDdsFile(DXGI_FORMAT_NV12, 4, 3, 8, source).bytes;
    ASSERT_EQ(planar.size(), 148u + 18u);
    EXPECT_EQ(std::vector<uint8_t>(planar.end() - 2, planar.end()), (std::vector<uint8_t>{32, 33}));
    source.resize(4 * 8 + 1);  // the partial row needs 2 bytes at 32
    EXPECT_EQ(BuildDdsFile(DXGI_FORMAT_NV12, 4, 3, 8, source).result,
              texture_result::InvalidArgument);
}

// Whichever header a format takes (legacy or extended), the reader finds the format, the size
// and the rows where the source's pitch put them.
TEST(DdsWriterRoundTrip, BuiltFilesReadBackWithTheirFormat)
{
    std::vector<uint8_t> source(4096);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<uint8_t>(i * 7);
    for (uint32_t format :
         {DXGI_FORMAT_R8G8B8A8_UNORM, DXGI_FORMAT_B8G8R8A8_UNORM, DXGI_FORMAT_B5G6R5_UNORM,
          DXGI_FORMAT_A8_UNORM, DXGI_FORMAT_BC1_UNORM, DXGI_FORMAT_BC3_UNORM, DXGI_FORMAT_BC7_UNORM,
          DXGI_FORMAT_R16G16B16A16_FLOAT, DXGI_FORMAT_R11G11B10_FLOAT}) {
        const DdsWriteResult file = BuildDdsFile(format, 12, 8, 128, source);
        const DdsParseResult parsed = ParseDds(file.bytes);
        ASSERT_EQ(parsed.result, texture_result::Ok) << DxgiFormatName(format);
        EXPECT_EQ(std::pair(parsed.image.format, parsed.image.width), std::pair(format, 12u));
        const DdsSubresource& level = parsed.image.At(0, 0);
        EXPECT_TRUE(
            std::equal(level.data.begin(), level.data.begin() + level.rowBytes, source.begin()));
        EXPECT_TRUE(std::equal(level.data.begin() + level.rowBytes,
                               level.data.begin() + 2 * level.rowBytes, source.begin() + 128))
            << DxgiFormatName(format);
    }
}

TEST(DdsWriterFiles, ReplacesExistingFileAndReportsUnwritablePaths)
{
    ScratchDirectory dir;
    const auto path = dir / "shot.dds";
    WriteBytes(path, std::vector<uint8_t>(1000, 1));
    const uint8_t texel[4] = {9, 9, 9, 9};
    ASSERT_EQ(WriteDdsFile(path, kRgba, 1, 1, 4, texel), texture_result::Ok);
    EXPECT_EQ(std::filesystem::file_size(path), 132u);
    EXPECT_EQ(WriteDdsFile(dir / "no" / "such.dds", kRgba, 1, 1, 4, texel),
              texture_result::FileNotFound);
    EXPECT_EQ(WriteDdsFile("", kRgba, 1, 1, 4, texel), texture_result::InvalidArgument);
    EXPECT_EQ(WriteDdsFile(dir / "p8.dds", DXGI_FORMAT_P8, 1, 1, 4, texel),
              texture_result::NotSupported);
    EXPECT_FALSE(std::filesystem::exists(dir / "p8.dds"));
}

// Sizes at and past the capture limit (zero and negative sides: the screenshot test on the
// engine), and a file name without leading zeros.
TEST(Screenshot, NamesHaveNoLeadingZerosAndSizesStayWithinTheLimit)
{
    std::tm time{};
    ASSERT_NE(strptime("2026-03-07 09:05:03", "%F %T", &time), nullptr);
    EXPECT_EQ(ScreenshotFileName(time), "screenshot_2026-3-7_9-5-3.dds");
    EXPECT_TRUE(IsScreenshotSizeValid(16384, 16384));
    EXPECT_FALSE(IsScreenshotSizeValid(16385, 600));
    EXPECT_FALSE(IsScreenshotSizeValid(600, 16385));
}

}  // namespace
