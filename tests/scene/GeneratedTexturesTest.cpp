// The generated DDS files, read with the viewer's own reader: half-float sky cube maps and
// the 8-bit model textures.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "scene/GeneratedAssetReaders.h"
#include "textures/DdsReader.h"
#include "textures/DxgiFormat.h"
#include "textures/TextureResult.h"

namespace {

using generated_assets::HalfToFloat;

// The reader takes the file whole, as a full mip chain of `format`, with no byte over.
DdsFile ReadWhole(const std::string& path, uint32_t format)
{
    SCOPED_TRACE(path);
    DdsFile dds = ReadDdsFile(path);
    EXPECT_EQ(dds.parsed.result, texture_result::Ok);
    const DdsImage& image = dds.parsed.image;
    EXPECT_EQ(image.format, format);
    uint32_t fullChain = 1;
    while ((std::max(image.width, image.height) >> (fullChain - 1)) > 1)
        ++fullChain;
    EXPECT_EQ(image.mipCount, fullChain);
    size_t texelBytes = 0;
    for (const DdsSubresource& subresource : image.subresources)
        texelBytes += subresource.data.size();
    EXPECT_EQ(std::filesystem::file_size(path), (dds.parsed.dx10 ? 148u : 128u) + texelBytes)
        << "no short or trailing data";
    return dds;
}

// Texel (x, y) of `face` at `mip` of a half-float RGBA cube.
struct CubeView {
    const DdsImage& image;

    int Size(int mip) const { return static_cast<int>(image.At(0, mip).width); }
    float Luminance(int face, int mip, int x, int y) const
    {
        const DdsSubresource& level = image.At(face, mip);
        const uint8_t* texel = &level.data[y * level.rowBytes + x * 8];
        float rgb[3];
        for (int c = 0; c < 3; ++c)
            rgb[c] = HalfToFloat(texel[2 * c] | (texel[2 * c + 1] << 8));
        return 0.2126f * rgb[0] + 0.7152f * rgb[1] + 0.0722f * rgb[2];
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
        const DdsFile dds = ReadWhole(file, DXGI_FORMAT_R16G16B16A16_FLOAT);
        const DdsImage& image = dds.parsed.image;
        EXPECT_TRUE(image.isCube);
        EXPECT_EQ(image.arraySize, 6u);
        ASSERT_EQ(image.width, image.height);
        ASSERT_GE(image.width, 64u);
        ASSERT_EQ(image.width & (image.width - 1), 0u) << "power of two";
        for (const DdsSubresource& subresource : image.subresources)
            for (size_t i = 0; i + 1 < subresource.data.size(); i += 2) {
                const float value =
                    HalfToFloat(subresource.data[i] | (subresource.data[i + 1] << 8));
                ASSERT_TRUE(std::isfinite(value) && value >= 0)
                    << "face " << subresource.arraySlice;
            }
    }
}

TEST(GeneratedSkyMaps, RougherMipsSpreadTheLight)
{
    for (const std::string& file : SkyFiles()) {
        SCOPED_TRACE(file);
        const DdsFile dds = ReadDdsFile(file);
        ASSERT_EQ(dds.parsed.result, texture_result::Ok);
        const CubeView cube{dds.parsed.image};
        auto peak = [&](int mip) {
            float value = 0;
            for (int face = 0; face < 6; ++face)
                for (int y = 0; y < cube.Size(mip); ++y)
                    for (int x = 0; x < cube.Size(mip); ++x)
                        value = std::max(value, cube.Luminance(face, mip, x, y));
            return value;
        };
        // Each level blurs the one above: peaks fall level by level, energy stays.
        const int levels = static_cast<int>(dds.parsed.image.mipCount);
        for (int mip = 1; mip < levels; ++mip)
            EXPECT_LE(peak(mip), peak(mip - 1) * 1.01f) << "mip " << mip;
        EXPECT_LT(peak(levels - 1), peak(0) * 0.5f);
        float top = 0, bottom = 0;
        for (int face = 0; face < 6; ++face) {
            top += cube.FaceAverage(face, 0);
            bottom += cube.FaceAverage(face, levels - 1);
        }
        EXPECT_NEAR(bottom / top, 1.0f, 0.5f);
    }
}

// RGBA8 with a full mip chain; returns the top level's first texel.
std::array<uint8_t, 4> CheckRgba8(const std::string& path)
{
    const DdsFile dds = ReadWhole(path, DXGI_FORMAT_R8G8B8A8_UNORM);
    const DdsImage& image = dds.parsed.image;
    if (image.subresources.empty() || image.subresources[0].data.size() < 4)
        return {};
    // The smallest mip averages the image: the first texel of a flat image equals it.
    const auto first = image.subresources.front().data;
    const auto last = image.subresources.back().data;
    EXPECT_TRUE(std::equal(last.begin(), last.begin() + 4, first.begin())) << path;
    return {first[0], first[1], first[2], first[3]};
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
