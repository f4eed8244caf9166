// The readers of Targa, OpenEXR, PNG and JPEG files.
#include <ImfRgbaFile.h>
#include <gtest/gtest.h>

#include <stb_image_write.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>

#include "TextureTestFiles.h"
#include "textures/DecodeBudget.h"
#include "textures/EncodedImageReader.h"
#include "textures/ExrImage.h"
#include "textures/PanoramaImage.h"
#include "textures/TargaImage.h"

using namespace texture_test;

namespace {

// Every kind of file the reader decodes, each laid out so that its row order, column order
// and byte order show; texels are stored B, G, R, A and come out R, G, B, A, top row first.
TEST(TargaDecoding, EveryTypeLandsTopRowFirstInRgba)
{
    const std::pair<std::vector<uint8_t>, std::vector<uint8_t>> cases[] = {
        // Bottom-up, 32 bits.
        {TgaBytes({.width = 2, .height = 2, .descriptor = 0x08},
                  {10, 20, 30, 40, 11, 21, 31, 41, 12, 22, 32, 42, 13, 23, 33, 43}),
         {32, 22, 12, 42, 33, 23, 13, 43, 30, 20, 10, 40, 31, 21, 11, 41}},
        // Top-down and right to left, 24 bits.
        {TgaBytes({.width = 2, .height = 2, .depth = 24, .descriptor = 0x30},
                  {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
         {6, 5, 4, 255, 3, 2, 1, 255, 12, 11, 10, 255, 9, 8, 7, 255}},
        // The image ID is skipped.
        {TgaBytes({.idLength = 5}, {1, 2, 3, 4}), {3, 2, 1, 4}},
        // Grey, and grey with alpha.
        {TgaBytes({.type = 3, .width = 2, .depth = 8}, {9, 200}),
         {9, 9, 9, 255, 200, 200, 200, 255}},
        {TgaBytes({.type = 3, .depth = 16}, {9, 77}), {9, 9, 9, 77}},
        // Colour maps of 24 and 32 bits.
        {TgaBytes({.type = 1, .width = 2, .depth = 8, .mapLength = 2, .mapEntryBits = 24}, {1, 0},
                  {1, 2, 3, 4, 5, 6}),
         {6, 5, 4, 255, 3, 2, 1, 255}},
        {TgaBytes({.type = 1, .width = 2, .depth = 8, .mapLength = 1, .mapEntryBits = 32}, {0, 0},
                  {1, 2, 3, 4}),
         {3, 2, 1, 4, 3, 2, 1, 4}},
        // Run length: 0x83, one texel repeated four times; 0x01, two literal texels.
        {TgaBytes({.type = 10, .width = 6}, {0x83, 1, 2, 3, 4, 0x01, 5, 6, 7, 8, 9, 10, 11, 12}),
         {3, 2, 1, 4, 3, 2, 1, 4, 3, 2, 1, 4, 3, 2, 1, 4, 7, 6, 5, 8, 11, 10, 9, 12}},
        {TgaBytes({.type = 11, .width = 3, .depth = 8}, {0x82, 50}),
         Repeated({50, 50, 50, 255}, 3)},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const TargaImage image = DecodeTargaImage(cases[i].first);
        std::vector<uint8_t> rgba(image.pixels.size() * 4);
        std::memcpy(rgba.data(), image.pixels.data(), rgba.size());
        EXPECT_EQ(rgba, cases[i].second) << i;
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

std::array<uint8_t, 4> Texel(const ExrImage& image, uint32_t x, uint32_t y)
{
    std::array<uint8_t, 4> bytes{};
    std::memcpy(bytes.data(), &image.pixels[y * image.width + x], 4);
    return bytes;
}

// What OpenEXR wrote reads back top row first from the data window's corner, each channel
// clamped to 0..1 (NaN as 0) and rounded; 200 rows take several passes.
TEST(ExrReader, ReadsWhatOpenExrWroteAsClampedBytes)
{
    ScratchDirectory dir;
    // Data window (-5, -5) to (2, 194): 8 x 200 texels, R telling the row.
    const Imath::Box2i window(Imath::V2i(-5, -5), Imath::V2i(2, 194));
    std::vector<Imf::Rgba> texels(8 * 200);
    for (size_t i = 0; i < texels.size(); ++i)
        texels[i] = Imf::Rgba(static_cast<float>(i / 8) / 255.0f, 0.5f, 0.0f, 1.0f);
    texels.back() = Imf::Rgba(std::numeric_limits<float>::infinity(), -1.0f, 0.25f,
                              std::numeric_limits<float>::quiet_NaN());
    {
        Imf::Header header(Imath::Box2i(Imath::V2i(-10, -10), Imath::V2i(10, 10)), window);
        Imf::RgbaOutputFile out((dir / "offset.exr").c_str(), header, Imf::WRITE_RGBA);
        out.setFrameBuffer(texels.data() + 5 + 5 * 8, 1, 8);
        out.writePixels(200);
    }
    std::optional<ExrImage> image = ReadExrImage(dir / "offset.exr");
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(std::pair(image->width, image->height), std::pair(8u, 200u));
    EXPECT_EQ(Texel(*image, 0, 0), (std::array<uint8_t, 4>{0, 128, 0, 255}));
    EXPECT_EQ(Texel(*image, 7, 199), (std::array<uint8_t, 4>{255, 0, 64, 0}));
    for (uint32_t y : {63u, 64u, 130u, 198u})
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

namespace {

void WriteExr(const std::filesystem::path& path, int width, int height, float red)
{
    std::vector<Imf::Rgba> texels(static_cast<size_t>(width) * height,
                                  Imf::Rgba(red, 0.5f, std::numeric_limits<float>::infinity(), 1));
    Imf::RgbaOutputFile out(path.c_str(), width, height, Imf::WRITE_RGBA);
    out.setFrameBuffer(texels.data(), 1, static_cast<size_t>(width));
    out.writePixels(height);
}

}  // namespace

// HDR panoramas keep their light above 1; what is no panorama, or would be too large, is
// refused before the decoder allocates for it, with a reason for the log.
TEST(PanoramaReader, ReadsHdrLightAndRefusesWhatIsNoPanorama)
{
    ScratchDirectory dir;
    WriteExr(dir / "sky.exr", 16, 8, 4.0f);
    std::string reason;
    std::optional<PanoramaImage> exr = ReadPanorama(dir / "sky.exr", reason);
    ASSERT_TRUE(exr.has_value()) << reason;
    EXPECT_EQ(std::pair(exr->width, exr->height), std::pair(16u, 8u));
    EXPECT_EQ(exr->Rgb()[0], 4.0f);
    EXPECT_EQ(exr->Rgb()[2], 65504.0f);  // infinity, brought to the largest half float

    const std::string header = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n";
    WriteExr(dir / "square.exr", 16, 16, 1.0f);
    // A small file whose data window claims 8192 x 4096 texels.
    WriteExr(dir / "claiming.exr", 16, 8, 1.0f);
    {
        std::fstream file(dir / "claiming.exr", std::ios::in | std::ios::out | std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), {});
        const std::string key("dataWindow\0box2i\0", 17);
        const size_t at = bytes.find(key);
        ASSERT_NE(at, std::string::npos);
        const int32_t window[4] = {0, 0, 8191, 4095};
        file.seekp(static_cast<std::streamoff>(at + key.size() + 4));
        file.write(reinterpret_cast<const char*>(window), sizeof window);
    }
    struct Case {
        const char* name;
        std::string bytes;  // empty: the file is written above
        const char* reason;
    };
    const Case cases[] = {
        {"empty.hdr", "", "not a Radiance HDR file"},
        {"text.hdr", "hello", "not a Radiance HDR file"},
        {"no-size.hdr", header, "unreadable Radiance header"},
        {"huge.hdr", header + "-Y 100000 +X 200000\n", "wider than 8192 texels"},
        {"square.hdr", header + "-Y 64 +X 64\n", "not an equirectangular panorama"},
        {"cut.hdr", header + "-Y 8 +X 16\n\x02\x02\x00\x10\x85", ""},
        {"claiming.hdr", header + "-Y 4096 +X 8192\n\x02\x02\x20\x00", "it claims 128 MiB"},
        {"claiming.exr", "", "it claims 256 MiB"},
        {"garbage.exr", std::string("\x76\x2f\x31\x01", 4) + std::string(200, 'x'),
         "not a readable OpenEXR file"},
        {"square.exr", "", "not an equirectangular panorama"},
        {"disguised.exr", header + "-Y 8 +X 16\n", "not an OpenEXR file"},
    };
    for (const Case& c : cases) {
        if (!c.bytes.empty() || !std::string_view(c.name).ends_with(".exr"))
            WriteBytes(dir / c.name, std::vector<uint8_t>(c.bytes.begin(), c.bytes.end()));
        reason.clear();
        EXPECT_FALSE(ReadPanorama(dir / c.name, reason).has_value()) << c.name;
        EXPECT_FALSE(reason.empty()) << c.name;
        EXPECT_TRUE(reason.starts_with(c.reason)) << c.name << ": " << reason;
    }
}

namespace {

std::vector<uint8_t> Encoded(bool jpeg, int side, int channels)
{
    std::vector<uint8_t> bytes;
    const std::vector<uint8_t> pixels(static_cast<size_t>(side) * side * channels, 0x80);
    auto append = [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<uint8_t>*>(context);
        out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    };
    if (jpeg)
        stbi_write_jpg_to_func(append, &bytes, side, side, channels, pixels.data(), 90);
    else
        stbi_write_png_to_func(append, &bytes, side, side, channels, pixels.data(), 0);
    return bytes;
}

// A JPEG whose frame header claims `side` x `side` pixels, its data left as it was.
std::vector<uint8_t> ClaimingJpeg(int side)
{
    std::vector<uint8_t> bytes = Encoded(true, 8, 3);
    for (size_t i = 0; i + 8 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            for (size_t at : {i + 5, i + 7}) {
                bytes[at] = static_cast<uint8_t>(side >> 8);
                bytes[at + 1] = static_cast<uint8_t>(side);
            }
            break;
        }
    return bytes;
}

}  // namespace

// Pictures out of all proportion to their file are refused from the header, before any
// decoding; a plain picture that compresses very well is not; one model's images share a
// budget of memory.
TEST(EncodedImages, ImagesOutOfProportionToTheirFileAreRefusedBeforeDecoding)
{
    const std::vector<uint8_t> bomb = ClaimingJpeg(8192);
    const auto start = std::chrono::steady_clock::now();
    std::string refusal;
    EXPECT_FALSE(DecodeEncodedImage(bomb, &refusal));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_EQ(refusal,
              "it claims 192 MiB of pixels from " + std::to_string(bomb.size()) + " bytes");

    for (const auto& [jpeg, side, channels] : {std::tuple{true, 64, 3}, {false, 2048, 4}}) {
        std::string none;
        const std::optional<DecodedImage> image =
            DecodeEncodedImage(Encoded(jpeg, side, channels), &none);
        ASSERT_TRUE(image) << side;
        EXPECT_EQ(image->width, static_cast<uint32_t>(side));
        EXPECT_EQ(none, "");
    }

    const uint64_t half = DecodeBudgetBytes() / 2 + 1;
    OpenDecodeBudget(true);
    EXPECT_EQ(ClaimDecodedBytes(1, half, 1), "");
    EXPECT_NE(ClaimDecodedBytes(1, half, 1).find("the model's images would take more than"),
              std::string::npos);
    OpenDecodeBudget(false);
    EXPECT_EQ(ClaimDecodedBytes(1, half, 1), "") << "no budget outside a model load";
}
