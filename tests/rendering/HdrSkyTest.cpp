// HDR panoramas as the sky: the cube map made from an equirectangular image on the GPU
// looks where the image looks, and shades a model as the bundled DDS sky baked from the
// same light does.
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <cmath>
#include <functional>

#include "PanoramaWriter.h"
#include "SkyEnvironments.h"
#include "SnapRenderer.h"
#include "api/Engine.h"
#include "api/tool/ToolAccess.h"
#include "graphics/gpu/GpuDevice.h"
#include "graphics/gpu/GpuObjects.h"
#include "scene/Scene.h"
#include "support/EngineWindow.h"
#include "support/ScratchDirectory.h"
#include "textures/TextureRecord.h"

namespace {

namespace fs = std::filesystem;

fs::path WritePanorama(const fs::path& path, int width, const assets::RadianceFunction& radiance)
{
    EXPECT_EQ(assets::WritePanoramaHdr(path.string(), width, radiance), "");
    return path;
}

struct AxisColour {
    const char* face;
    assets::Vec3 colour;
};
// Faces in cube order +X, -X, +Y, -Y, +Z, -Z.
const AxisColour kAxisColours[6] = {
    {"+X red", {1, 0, 0}},           {"-X cyan", {0, 1, 1}},  {"+Y white", {1, 1, 1}},
    {"-Y grey", {0.2f, 0.2f, 0.2f}}, {"+Z green", {0, 1, 0}}, {"-Z magenta", {1, 0, 1}},
};

assets::Vec3 ColourOfNearestAxis(assets::Vec3 d)
{
    const float a[3] = {std::fabs(d.x), std::fabs(d.y), std::fabs(d.z)};
    const int axis = a[0] >= a[1] && a[0] >= a[2] ? 0 : (a[1] >= a[2] ? 1 : 2);
    const float value = axis == 0 ? d.x : (axis == 1 ? d.y : d.z);
    return kAxisColours[axis * 2 + (value > 0 ? 0 : 1)].colour;
}

}  // namespace

TEST(HdrSky, EachFaceCentreShowsThePanoramaInItsDirection)
{
    ASSERT_EQ(testing_support::StartEngine(64, 64), 0);
    const testing_support::ScratchDirectory dir;
    const fs::path file = WritePanorama(dir / "axes.hdr", 256, ColourOfNearestAxis);
    CScene& scene = *GetEngine()->scene;
    ASSERT_TRUE(scene.SetSkyboxTexture(file));

    const gpu::Texture& cube = *scene.cubeMap->view->GetTexture();
    EXPECT_EQ(cube.Desc().kind, gpu::TextureKind::TextureCube);
    EXPECT_EQ(cube.Desc().width, 64u);  // a quarter of the width
    EXPECT_EQ(scene.cubeMap->mipCount, 7u);
    EXPECT_EQ(scene.cubeMap->typeName, "HDR panorama");
    for (uint32_t face = 0; face < 6; ++face) {
        std::vector<float> texels;
        ASSERT_TRUE(gpu::ReadTextureLayerRgba32F(cube, 0, face, texels));
        const size_t centre = (32 * 64 + 32) * 4;
        const assets::Vec3 want = kAxisColours[face].colour;
        EXPECT_NEAR(texels[centre + 0], want.x, 0.02f) << kAxisColours[face].face;
        EXPECT_NEAR(texels[centre + 1], want.y, 0.02f) << kAxisColours[face].face;
        EXPECT_NEAR(texels[centre + 2], want.z, 0.02f) << kAxisColours[face].face;
    }

    // A panorama that cannot be read leaves the sky as it was and says why.
    const TextureRecord* shown = scene.cubeMap.get();
    const size_t mark = scene.log.Count();
    EXPECT_FALSE(scene.SetSkyboxTexture(dir.Write("bad.hdr", "#?RADIANCE\n\n-Y 8 +X 16\n")));
    EXPECT_EQ(scene.cubeMap.get(), shown);
    bool said = false;
    for (const auto& entry : scene.log.EntriesFrom(mark))
        said |= entry.text.starts_with("Cannot use " + (dir / "bad.hdr").string() + " as a sky: ");
    EXPECT_TRUE(said);
}

// The bundled daylight sky is baked at 128 texels a face; a 512-wide panorama of the same
// light gives the same face size and mip count, so every sphere of the demo, polished to
// rough, should look alike under both.
TEST(HdrSky, DemoUnderPanoramaMatchesTheBundledDdsSky)
{
    const testing_support::ScratchDirectory dir;
    const fs::path panorama = WritePanorama(dir / "daylight.hdr", 512, assets::DaylightSkyRadiance);
    SnapOptions options;
    options.outputPath = "unused.png";
    options.width = 320;
    options.height = 240;
    options.skyPath = "Skyboxtextures/sky_daylight.dds";
    SnapSession session(options);
    std::string error;
    ASSERT_TRUE(session.Start(error)) << error;
    SnapImage dds, hdr;
    ASSERT_TRUE(session.Render("demo/spheres.fbx", dds, error)) << error;
    ASSERT_TRUE(tool::SetSky(panorama.string(), error)) << error;
    ASSERT_TRUE(session.Render("demo/spheres.fbx", hdr, error)) << error;

    double total = 0.0;
    size_t far = 0;
    for (size_t i = 0; i < dds.rgba.size(); i += 4)
        for (int c = 0; c < 3; ++c) {
            const int difference = std::abs(dds.rgba[i + c] - hdr.rgba[i + c]);
            total += difference;
            far += difference > 24;
        }
    const double mean = total / (dds.rgba.size() / 4 * 3);
    // Box-filtered mips instead of the lobe filter give about 8.4 and 10 %.
    EXPECT_LT(mean, 4.5) << "mean difference per channel";
    EXPECT_LT(static_cast<double>(far) / (dds.rgba.size() / 4 * 3), 0.02);
    if (::testing::Test::HasFailure()) {
        const fs::path keep = fs::temp_directory_path();
        stbi_write_png((keep / "hdr_sky_demo_dds.png").c_str(), dds.width, dds.height, 4,
                       dds.rgba.data(), dds.width * 4);
        stbi_write_png((keep / "hdr_sky_demo_hdr.png").c_str(), hdr.width, hdr.height, 4,
                       hdr.rgba.data(), hdr.width * 4);
        ADD_FAILURE() << "pictures: " << keep / "hdr_sky_demo_dds.png"
                      << ", " << keep / "hdr_sky_demo_hdr.png";
    }
}
