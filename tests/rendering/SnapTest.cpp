// Whole frames rendered the way vornis-snap renders them: the demo model, models made
// without the viewer's texture naming, batches, and the real-world files of Debian's assimp
// test models.
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "FbxSceneWriter.h"
#include "SnapRenderer.h"
#include "api/Engine.h"
#include "scene/Scene.h"
#include "support/ReferenceImage.h"
#include "support/ScratchDirectory.h"
#include "textures/DdsWriter.h"
#include "textures/DxgiFormat.h"

namespace {

namespace fs = std::filesystem;

const fs::path kTestModels = "/usr/share/assimp/models/FBX";

SnapOptions Options(const std::string& view = "PBL Default")
{
    SnapOptions options;
    options.outputPath = "unused.png";
    options.width = 160;
    options.height = 120;
    options.showSky = false;
    options.viewName = view;
    return options;
}

// The share of pixels (of the middle third only, if asked) that differ from the top-left one.
double ChangedFraction(const SnapImage& image, bool middleThird = false)
{
    const uint8_t* background = image.rgba.data();
    size_t changed = 0, total = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            if (middleThird && (x <= image.width / 3 || x >= 2 * image.width / 3 ||
                                y <= image.height / 3 || y >= 2 * image.height / 3))
                continue;
            const uint8_t* p = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
            ++total;
            changed += std::abs(p[0] - background[0]) + std::abs(p[1] - background[1]) +
                           std::abs(p[2] - background[2]) >
                       12;
        }
    return static_cast<double>(changed) / total;
}

// Whether the log holds `text` (at `level`, if one is given).
bool Logged(const std::string& text, int level = -1)
{
    const auto log = GetEngine()->scene->log.EntriesFrom(0);
    return std::any_of(log.begin(), log.end(), [&](const auto& entry) {
        return entry.text == text && (level < 0 || entry.level == static_cast<uint32_t>(level));
    });
}

// A sphere of radius 10 at `centre`, as one node of its own.
assets::SceneNodeMesh Sphere(const std::string& name, assets::Vec3 centre = {})
{
    assets::SceneNodeMesh node;
    node.nodeName = name;
    assets::AddSphere(node.geometry, centre, 10.0f, 24, 12);
    return node;
}

std::string WriteModel(const fs::path& path, const std::vector<assets::SceneNodeMesh>& nodes)
{
    fs::create_directories(path.parent_path());
    EXPECT_EQ(assets::WriteFbxScene(path.string(), nodes), "");
    return path.string();
}

struct Rgb {
    int r = -1, g = 0, b = 0;  // r -1: the missing texture's checkerboard
};

// 4 x 4 opaque texels of one colour.
std::vector<uint8_t> Solid(Rgb c)
{
    std::vector<uint8_t> texels;
    for (int i = 0; i < 16; ++i)
        texels.insert(texels.end(), {uint8_t(c.r), uint8_t(c.g), uint8_t(c.b), 255});
    return texels;
}

// Where a mesh's albedo comes from, shown in the albedo view: a file named after the mesh,
// else the one texture beside the model, else the texture its material names (beside the
// model under the name its Windows path ends in, or held in the model file), else the
// material's colour; a named texture that is missing shows the checkerboard, and the log
// names it.
TEST(MaterialLook, EachAlbedoSourceShowsInTheAlbedoView)
{
    const Rgb wood{150, 90, 40};
    const struct {
        const char* mesh;
        const char* materialTexture;
        std::vector<const char*> beside;  // wood.png in wood's colour, the others in `shown`
        bool embedded;                    // the material's texture, in `shown`
        Rgb shown;
    } cases[] = {
        {"Ball", "", {}, false, {204, 77, 26}},
        {"Ball", "C:\\art\\wood.png", {"wood.png"}, false, wood},
        {"Ball", "paper.png", {}, true, {30, 140, 200}},
        {"Crate", "wood.png", {"wood.png", "Crate_D.dds"}, false, {20, 200, 60}},
        {"Ball", "", {"paint_D.dds"}, false, {40, 160, 220}},
        {"Leg", "D:\\spider\\SpiderTex.jpg", {}, false, {}},
    };
    const testing_support::ScratchDirectory scratch;
    SnapSession session(Options("Model Albedo"));
    std::string error;
    ASSERT_TRUE(session.Start(error)) << error;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(i);
        const fs::path folder = scratch / std::to_string(i);
        fs::create_directories(folder);
        assets::SceneNodeMesh mesh = Sphere(c.mesh);
        mesh.diffuseColor = {0.8f, 0.3f, 0.1f};
        mesh.diffuseTexture = c.materialTexture;
        if (c.embedded) {
            const fs::path png = scratch / "embedded.png";
            stbi_write_png(png.c_str(), 4, 4, 4, Solid(c.shown).data(), 16);
            std::ifstream in(png, std::ios::binary);
            mesh.embeddedImage.assign(std::istreambuf_iterator<char>(in), {});
        }
        for (const std::string name : c.beside) {
            if (name == "wood.png")
                stbi_write_png((folder / name).c_str(), 4, 4, 4, Solid(wood).data(), 16);
            else
                ASSERT_EQ(WriteDdsFile(folder / name, DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, 16,
                                       Solid(c.shown)),
                          0);
        }
        SnapImage image;
        ASSERT_TRUE(session.Render(WriteModel(folder / "model.fbx", {mesh}), image, error))
            << error;
        if (c.shown.r >= 0) {
            const uint8_t* centre =
                &image.rgba[((image.height / 2) * image.width + image.width / 2) * 4];
            EXPECT_NEAR(centre[0], c.shown.r, 3);
            EXPECT_NEAR(centre[1], c.shown.g, 3);
            EXPECT_NEAR(centre[2], c.shown.b, 3);
        } else {
            int magenta = 0, black = 0;
            for (size_t at = 0; at < image.rgba.size(); at += 4) {
                const uint8_t* p = &image.rgba[at];
                magenta += p[0] > 150 && p[1] < 60 && p[2] > 150;
                black += p[0] < 60 && p[1] < 60 && p[2] < 60;
            }
            EXPECT_GT(magenta, image.width * image.height / 50);
            EXPECT_GT(black, image.width * image.height / 50);
            EXPECT_TRUE(
                Logged("Mesh 'Leg': texture not found beside the model or in its texture "
                       "folders: 'SpiderTex.jpg' "
                       "(the material names 'D:\\spider\\SpiderTex.jpg')"));
        }
    }
}

// A batch renders each model as if it were alone: neither the model before nor a failed
// file in between leaves anything in the picture. The demo model looks as before, and so
// does a ball lit by the light alone, through a material of occlusion 1 (not the black
// square's 0).
TEST(SnapSession, EveryPictureIsTheModelAloneWhateverCameBeforeAndLooksAsBefore)
{
    const testing_support::ScratchDirectory scratch;
    assets::SceneNodeMesh torus;
    torus.nodeName = "Torus";
    torus.diffuseColor = {0.2f, 0.7f, 0.3f};
    assets::AddTorus(torus.geometry, 1.0f, 0.35f, 24, 12);
    const std::string torusPath = WriteModel(scratch / "torus.fbx", {torus});
    assets::SceneNodeMesh ball = Sphere("Ball");
    ball.diffuseColor = {0.6f, 0.6f, 0.6f};
    const std::string ballPath = WriteModel(scratch / "ball" / "ball.fbx", {ball});
    scratch.Write("broken.fbx", "Kaydara FBX Binary  ");

    SnapImage alone, batched, image;
    std::string error;
    SnapSession session(Options());
    ASSERT_TRUE(session.Start(error)) << error;
    ASSERT_TRUE(session.Render(torusPath, alone, error)) << error;
    ASSERT_TRUE(session.Render("demo/spheres.fbx", image, error)) << error;
    EXPECT_TRUE(testing_support::MatchesReference("demo", image.rgba, image.width, image.height));
    error.clear();
    EXPECT_FALSE(session.Render((scratch / "broken.fbx").string(), image, error));
    EXPECT_NE(error, "");
    ASSERT_TRUE(session.Render(ballPath, image, error)) << error;
    EXPECT_TRUE(
        testing_support::MatchesReference("light_alone", image.rgba, image.width, image.height));
    ASSERT_TRUE(session.Render(torusPath, batched, error)) << error;
    EXPECT_GT(ChangedFraction(alone, true), 0.1) << "the torus is in the picture";
    EXPECT_TRUE(batched.rgba == alone.rgba);
}

// One picture per process, as vornis-snap renders it, compared with its reference.
void ExpectSnapshotAsBefore(const SnapOptions& options, const std::string& model, const char* name)
{
    SnapImage image;
    std::string error;
    ASSERT_TRUE(RenderSnapshot(options, model, image, error)) << error;
    EXPECT_TRUE(testing_support::MatchesReference(name, image.rgba, image.width, image.height));
}

TEST(Snapshot, TheDaylightSkyLooksAsBefore)
{
    SnapOptions options = Options();
    options.showSky = true;
    options.skyPath = "Skyboxtextures/sky_daylight.dds";
    ExpectSnapshotAsBefore(options, "demo/spheres.fbx", "demo_sky");
}

// Two balls far apart, where the viewer would frame one of them alone.
TEST(Snapshot, APictureHoldsEveryMeshOfTheModel)
{
    const testing_support::ScratchDirectory scratch;
    SnapOptions options = Options();
    options.transparent = true;
    ExpectSnapshotAsBefore(options,
                           WriteModel(scratch / "model.fbx", {Sphere("Left", {-120, 0, 0}),
                                                              Sphere("Right", {120, 40, 0})}),
                           "two_balls_framed");
}

// Files written by Blender's exporter, drawn where their nodes and bones place them: the
// parented table, and the skinned figure at the start and a quarter second into its walk.
struct BlenderPicture {
    const char* file;
    float seconds;
    const char* reference;
};

class BlenderFileSnapshot : public ::testing::TestWithParam<BlenderPicture> {};

TEST_P(BlenderFileSnapshot, LooksAsBefore)
{
    SnapOptions options = Options();
    options.clipTime = GetParam().seconds;
    ExpectSnapshotAsBefore(options,
                           (fs::path(VORNIS_FIXTURES_DIR) / "blender" / GetParam().file).string(),
                           GetParam().reference);
}

INSTANTIATE_TEST_SUITE_P(
    Blender, BlenderFileSnapshot,
    ::testing::Values(BlenderPicture{"parented_prop.fbx", 0.0f, "blender_parented_prop"},
                      BlenderPicture{"skinned_figure.fbx", 0.0f, "blender_figure_start"},
                      BlenderPicture{"skinned_figure.fbx", 0.25f, "blender_figure_walking"}),
    [](const auto& info) { return std::string(info.param.reference); });

// Every test model shows something, or (only a file assimp itself refuses) fails with a
// reason. Files whose meshes have no UVs are drawn, and the log names a mesh that lacks them.
class TestModelSnapshot : public ::testing::TestWithParam<std::string> {};

TEST_P(TestModelSnapshot, ShowsSomethingOrFailsCleanly)
{
    const std::map<std::string, std::string> uvLessMeshes = {
        {"box.fbx", "root"},
        {"global_settings.fbx", "Cube"},
        {"boxWithCompressedCTypeArray.FBX", "Box"},
        {"boxWithUncompressedCTypeArray.FBX", "Box"}};
    const fs::path path = kTestModels / GetParam();
    if (!fs::exists(path))
        GTEST_SKIP() << "assimp-testmodels is not installed";
    SnapImage image;
    std::string error;
    if (!RenderSnapshot(Options(), path.string(), image, error)) {
        EXPECT_EQ(GetParam(), "transparentTest.fbx") << error;
        return;
    }
    const auto uvLess = uvLessMeshes.find(GetParam());
    if (uvLess == uvLessMeshes.end()) {
        EXPECT_GT(ChangedFraction(image), 0.003) << "nothing but background";
        return;
    }
    EXPECT_GT(ChangedFraction(image, true), 0.2);
    // Its place after the "No UV:s found" error is checked where meshes are built.
    EXPECT_TRUE(Logged(
        "Mesh '" + uvLess->second + "' has no texture coordinates: drawn with its material colour",
        MessageLevelInfo));
}

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
