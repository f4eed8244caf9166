// The generated DDS files: half-float sky cube maps and the 8-bit model textures.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "scene/GeneratedAssetReaders.h"

namespace {

using namespace generated_assets;

constexpr uint32_t kMagic = 0x20534444;
constexpr uint32_t kCubeAllFaces = 0xFE00;

// Texel (x, y) of `face` at `mip` of a half-float RGBA cube laid out face by face.
struct CubeView {
    const DdsFile& dds;

    int Size(int mip) const { return std::max(1, static_cast<int>(dds.Width()) >> mip); }
    size_t FaceBytes() const
    {
        size_t bytes = 0;
        for (uint32_t m = 0; m < dds.MipCount(); ++m)
            bytes += static_cast<size_t>(Size(m)) * Size(m) * 8;
        return bytes;
    }
    std::array<float, 4> Texel(int face, int mip, int x, int y) const
    {
        size_t offset = FaceBytes() * face;
        for (int m = 0; m < mip; ++m)
            offset += static_cast<size_t>(Size(m)) * Size(m) * 8;
        offset += (static_cast<size_t>(y) * Size(mip) + x) * 8;
        std::array<float, 4> rgba;
        for (int c = 0; c < 4; ++c)
            rgba[c] =
                HalfToFloat(dds.texels[offset + 2 * c] | (dds.texels[offset + 2 * c + 1] << 8));
        return rgba;
    }
    float Luminance(int face, int mip, int x, int y) const
    {
        const auto t = Texel(face, mip, x, y);
        return 0.2126f * t[0] + 0.7152f * t[1] + 0.0722f * t[2];
    }
    float FaceAverage(int face, int mip) const
    {
        float sum = 0;
        for (int y = 0; y < Size(mip); ++y)
            for (int x = 0; x < Size(mip); ++x)
                sum += Luminance(face, mip, x, y);
        return sum / (Size(mip) * Size(mip));
    }
};

std::vector<std::string> SkyFiles()
{
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator("Skyboxtextures"))
        if (entry.path().extension() == ".dds")
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(GeneratedSkyMaps, AreHalfFloatCubesWithAFullMipChainOfFiniteNonNegativeTexels)
{
    const auto files = SkyFiles();
    ASSERT_GE(files.size(), 2u);
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const DdsFile dds = ReadDds(file);
        ASSERT_TRUE(dds.readable);
        EXPECT_EQ(dds.magic, kMagic);
        EXPECT_EQ(dds.header[0], 124u);
        EXPECT_EQ(dds.header[18], 32u);
        EXPECT_EQ(dds.FourCc(), 0x30315844u);    // "DX10"
        EXPECT_EQ(dds.extended[0], 10u);         // R16G16B16A16_FLOAT
        EXPECT_EQ(dds.extended[1], 3u);          // two-dimensional
        EXPECT_EQ(dds.extended[2] & 0x4, 0x4u);  // cube
        EXPECT_EQ(dds.extended[3], 1u);
        EXPECT_EQ(dds.Caps2() & kCubeAllFaces, kCubeAllFaces);
        ASSERT_EQ(dds.Width(), dds.Height());
        ASSERT_GE(dds.Width(), 64u);
        ASSERT_EQ(dds.Width() & (dds.Width() - 1), 0u) << "power of two";
        uint32_t fullChain = 1;
        while ((dds.Width() >> (fullChain - 1)) > 1)
            ++fullChain;
        EXPECT_EQ(dds.MipCount(), fullChain);
        EXPECT_EQ(dds.texels.size(), CubeView{dds}.FaceBytes() * 6) << "no short or trailing data";
        for (size_t i = 0; i + 1 < dds.texels.size(); i += 2) {
            const float value = HalfToFloat(dds.texels[i] | (dds.texels[i + 1] << 8));
            ASSERT_TRUE(std::isfinite(value) && value >= 0) << file << " at byte " << i;
        }
    }
}

TEST(GeneratedSkyMaps, RougherMipsSpreadTheLight)
{
    for (const std::string& file : SkyFiles()) {
        SCOPED_TRACE(file);
        const DdsFile dds = ReadDds(file);
        const CubeView cube{dds};
        auto peak = [&](int mip) {
            float value = 0;
            for (int face = 0; face < 6; ++face)
                for (int y = 0; y < cube.Size(mip); ++y)
                    for (int x = 0; x < cube.Size(mip); ++x)
                        value = std::max(value, cube.Luminance(face, mip, x, y));
            return value;
        };
        // Each level blurs the one above: peaks fall level by level, energy stays.
        for (uint32_t mip = 1; mip < dds.MipCount(); ++mip)
            EXPECT_LE(peak(mip), peak(mip - 1) * 1.01f) << "mip " << mip;
        const int last = static_cast<int>(dds.MipCount()) - 1;
        EXPECT_LT(peak(last), peak(0) * 0.5f);
        float top = 0, bottom = 0;
        for (int face = 0; face < 6; ++face) {
            top += cube.FaceAverage(face, 0);
            bottom += cube.FaceAverage(face, last);
        }
        EXPECT_NEAR(bottom / top, 1.0f, 0.5f);
    }
}

// Legacy header with R8G8B8A8 masks, full mip chain; returns the top level's first texel.
std::array<uint8_t, 4> CheckRgba8(const std::string& path)
{
    SCOPED_TRACE(path);
    const DdsFile dds = ReadDds(path);
    EXPECT_TRUE(dds.readable);
    EXPECT_EQ(dds.magic, kMagic);
    EXPECT_EQ(dds.header[0], 124u);
    EXPECT_EQ(dds.PixelFlags(), 0x41u);
    EXPECT_EQ(std::vector<uint32_t>(&dds.header[21], &dds.header[26]),
              (std::vector<uint32_t>{32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000}));
    size_t bytes = 0;
    uint32_t w = dds.Width(), h = dds.Height(), levels = 0;
    while (true) {
        bytes += static_cast<size_t>(w) * h * 4;
        ++levels;
        if (w == 1 && h == 1)
            break;
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
    }
    EXPECT_EQ(dds.MipCount(), levels);
    EXPECT_EQ(dds.texels.size(), bytes);
    if (dds.texels.size() < 4)
        return {};
    // The smallest mip averages the image: the first texel of a flat image equals it.
    const uint8_t* last = &dds.texels[dds.texels.size() - 4];
    EXPECT_TRUE(std::equal(last, last + 4, dds.texels.begin()));
    return {dds.texels[0], dds.texels[1], dds.texels[2], dds.texels[3]};
}

TEST(GeneratedModelTextures, GizmoAxesAreRedGreenBlueAndOpaque)
{
    const auto x = CheckRgba8("xyz/AxisX_D.dds");
    const auto y = CheckRgba8("xyz/AxisY_D.dds");
    const auto z = CheckRgba8("xyz/AxisZ_D.dds");
    EXPECT_GT(x[0], 2 * std::max(x[1], x[2]));
    EXPECT_GT(y[1], 2 * std::max(y[0], y[2]));
    EXPECT_GT(z[2], 2 * std::max(z[0], z[1]));
    // Drawn with an alpha-discarding shader: any transparency would cut holes.
    for (const auto& texel :
         {x, y, z, CheckRgba8("arrow/JointArrow_D.dds"), CheckRgba8("lightmesh/LightMarker_D.dds")})
        EXPECT_EQ(texel[3], 255);
}

}  // namespace
