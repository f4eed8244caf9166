// Whole frames rendered the way vornis-snap renders them: the demo model, channel views
// and the real-world files of Debian's assimp test models.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "FbxSceneWriter.h"
#include "SnapRenderer.h"
#include "api/Engine.h"
#include "scene/Scene.h"
#include "support/ReferenceImage.h"
#include "textures/DdsWriter.h"
#include "textures/DxgiFormat.h"

namespace {

namespace fs = std::filesystem;

const fs::path kTestModels = "/usr/share/assimp/models/FBX";

struct PixelStats {
    double changedFraction = 0.0;        // pixels that differ from the top-left one
    double centreChangedFraction = 0.0;  // the same within the middle third
};

PixelStats Measure(const SnapImage& image)
{
    PixelStats stats;
    const uint8_t* background = image.rgba.data();
    size_t changed = 0, centreChanged = 0, centreTotal = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
            const bool differs = std::abs(p[0] - background[0]) + std::abs(p[1] - background[1]) +
                                     std::abs(p[2] - background[2]) >
                                 12;
            changed += differs;
            const bool centre = x > image.width / 3 && x < 2 * image.width / 3 &&
                                y > image.height / 3 && y < 2 * image.height / 3;
            if (centre) {
                ++centreTotal;
                centreChanged += differs;
            }
        }
    stats.changedFraction = static_cast<double>(changed) / (image.width * image.height);
    stats.centreChangedFraction = static_cast<double>(centreChanged) / centreTotal;
    return stats;
}

SnapOptions Options()
{
    SnapOptions options;
    options.outputPath = "unused.png";
    options.width = 160;
    options.height = 120;
    options.showSky = false;
    return options;
}

TEST(SnapOptions, ClipTimeAndSkeletonAreParsedAndBadTimesRefused)
{
    std::string error;
    const auto parse = [&error](std::vector<std::string> args) {
        args.insert(args.begin(), {"m.fbx", "-o", "x.png"});
        return ParseSnapOptions(args, error);
    };
    const auto options = parse({"--time", "1.25", "--skeleton"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->clipTime, 1.25f);
    EXPECT_TRUE(options->showSkeleton);
    EXPECT_FALSE(parse({})->clipTime);
    for (const char* bad : {"-1", "abc", "nan", "inf", "2s"})
        EXPECT_FALSE(parse({"--time", bad})) << bad;
    EXPECT_FALSE(parse({"--time"}));
}

// The demo model, and behind it the daylight sky.
TEST(Snapshot, TheDemoModelLooksAsBefore)
{
    SnapImage image;
    std::string error;
    ASSERT_TRUE(RenderSnapshot(Options(), "demo/spheres.fbx", image, error)) << error;
    EXPECT_TRUE(testing_support::MatchesReference("demo", image.rgba, image.width, image.height));
}

TEST(Snapshot, TheDaylightSkyLooksAsBefore)
{
    SnapOptions options = Options();
    options.showSky = true;
    options.skyPath = "Skyboxtextures/sky_daylight.dds";
    SnapImage image;
    std::string error;
    ASSERT_TRUE(RenderSnapshot(options, "demo/spheres.fbx", image, error)) << error;
    EXPECT_TRUE(
        testing_support::MatchesReference("demo_sky", image.rgba, image.width, image.height));
}

// A model whose only albedo texture is one colour shows exactly that colour in the albedo
// view: with no file named after a mesh, every mesh takes the one texture beside it.
TEST(Snapshot, TheAlbedoViewShowsAUniformAlbedoTexture)
{
    const fs::path dir = fs::temp_directory_path() / ("vornis_albedo_" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::copy_file("demo/spheres.fbx", dir / "model.fbx", fs::copy_options::overwrite_existing);
    std::vector<uint8_t> texels;
    for (int i = 0; i < 8 * 8; ++i)
        texels.insert(texels.end(), {40, 160, 220, 255});
    ASSERT_EQ(WriteDdsFile(dir / "paint_D.dds", DXGI_FORMAT_R8G8B8A8_UNORM, 8, 8, 8 * 4, texels),
              0);

    SnapOptions options = Options();
    options.viewName = "Model Albedo";
    SnapImage image;
    std::string error;
    ASSERT_TRUE(RenderSnapshot(options, (dir / "model.fbx").string(), image, error)) << error;
    const uint8_t* centre = &image.rgba[((image.height / 2) * image.width + image.width / 2) * 4];
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(centre[c], texels[c], 3) << c;
    fs::remove_all(dir);
}

TEST(Snapshot, AMissingSkyFileIsNamedAsMissing)
{
    SnapOptions options = Options();
    options.skyPath = "/no/such/sky.dds";
    SnapImage image;
    std::string error;
    EXPECT_FALSE(RenderSnapshot(options, "demo/spheres.fbx", image, error));
    EXPECT_EQ(error, "Cannot read sky file /no/such/sky.dds: no such file");
}

// A batch renders each model as if it were alone: neither the model before nor a failed
// file in between leaves anything in the picture.
TEST(SnapSession, EveryPictureIsTheModelAloneWhateverCameBefore)
{
    const fs::path dir = fs::temp_directory_path() / ("vornis_batch_" + std::to_string(getpid()));
    fs::create_directories(dir);
    assets::SceneNodeMesh torus;
    torus.nodeName = "Torus";
    torus.diffuseColor = {0.2f, 0.7f, 0.3f};
    assets::AddTorus(torus.geometry, 1.0f, 0.35f, 24, 12);
    ASSERT_EQ(assets::WriteFbxScene((dir / "torus.fbx").string(), {torus}), "");
    std::ofstream(dir / "broken.fbx") << "Kaydara FBX Binary  \0 but nothing after";

    // The first picture of a session is the model alone: nothing came before it.
    SnapImage alone, batched, image;
    std::string error;
    SnapSession session(Options());
    ASSERT_TRUE(session.Start(error)) << error;
    ASSERT_TRUE(session.Render((dir / "torus.fbx").string(), alone, error)) << error;
    ASSERT_TRUE(session.Render("demo/spheres.fbx", image, error)) << error;
    error.clear();
    EXPECT_FALSE(session.Render((dir / "broken.fbx").string(), image, error));
    EXPECT_NE(error, "");
    ASSERT_TRUE(session.Render((dir / "torus.fbx").string(), batched, error)) << error;
    fs::remove_all(dir);
    EXPECT_GT(Measure(alone).centreChangedFraction, 0.1) << "the torus is in the picture";
    ASSERT_EQ(batched.rgba.size(), alone.rgba.size());
    EXPECT_TRUE(batched.rgba == alone.rgba);
}

class TestModelSnapshot : public ::testing::TestWithParam<std::string> {};

TEST_P(TestModelSnapshot, ShowsSomethingOrFailsCleanly)
{
    const fs::path path = kTestModels / GetParam();
    if (!fs::exists(path))
        GTEST_SKIP() << "assimp-testmodels is not installed";
    SnapImage image;
    std::string error;
    if (!RenderSnapshot(Options(), path.string(), image, error)) {
        // Only a file that assimp itself refuses may fail, and it says why.
        EXPECT_EQ(GetParam(), "transparentTest.fbx") << error;
        return;
    }
    EXPECT_GT(Measure(image).changedFraction, 0.003) << "nothing but background";
}

// Files whose meshes have no UVs are drawn, and the log says which meshes lack them.
// The file and the name of one of its meshes without UVs.
class UvLessSnapshot : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(UvLessSnapshot, IsDrawnAndTheMeshIsNamed)
{
    const auto& [file, mesh] = GetParam();
    const fs::path path = kTestModels / file;
    if (!fs::exists(path))
        GTEST_SKIP() << "assimp-testmodels is not installed";
    SnapImage image;
    std::string error;
    ASSERT_TRUE(RenderSnapshot(Options(), path.string(), image, error)) << error;
    EXPECT_GT(Measure(image).centreChangedFraction, 0.2);
    const auto log = GetEngine()->scene->log.EntriesFrom(0);
    const std::string note =
        "Mesh '" + mesh + "' has no texture coordinates: drawn with its material colour";
    const auto noted =
        std::find_if(log.begin(), log.end(), [&](const auto& entry) { return entry.text == note; });
    ASSERT_NE(noted, log.end()) << note;
    EXPECT_EQ(noted->level, MessageLevelInfo);
    ASSERT_NE(noted, log.begin());
    EXPECT_EQ(std::prev(noted)->text, "Error: No UV:s found");
}

INSTANTIATE_TEST_SUITE_P(
    AssimpTestModels, UvLessSnapshot,
    ::testing::Values(std::pair<std::string, std::string>{"box.fbx", "root"},
                      std::pair<std::string, std::string>{"global_settings.fbx", "Cube"},
                      std::pair<std::string, std::string>{"boxWithCompressedCTypeArray.FBX", "Box"},
                      std::pair<std::string, std::string>{"boxWithUncompressedCTypeArray.FBX",
                                                          "Box"}),
    [](const auto& info) { return "File" + std::to_string(info.index); });

INSTANTIATE_TEST_SUITE_P(
    AssimpTestModels, TestModelSnapshot,
    ::testing::Values("animation_with_skeleton.fbx", "box.fbx", "boxWithCompressedCTypeArray.FBX",
                      "boxWithUncompressedCTypeArray.FBX", "box_orphant_embedded_texture.fbx",
                      "close_to_identity_transforms.fbx", "cubes_nonames.fbx",
                      "cubes_with_mirroring_and_pivot.fbx", "cubes_with_names.fbx",
                      "cubes_with_outofrange_float.fbx", "global_settings.fbx", "huesitos.fbx",
                      "maxPbrMaterial_metalRough.fbx", "maxPbrMaterial_specGloss.fbx",
                      "phong_cube.fbx", "spider.fbx", "transparentTest.fbx"),
    [](const auto& info) {
        std::string name;
        for (char c : info.param)
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

}  // namespace
