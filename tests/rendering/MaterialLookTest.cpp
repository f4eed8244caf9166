// Models made without the viewer's texture naming, rendered the way vornis-snap renders
// them: material colours, named and embedded textures, the light alone, and pictures that
// hold the whole model.
#include <gtest/gtest.h>
#include <stb_image_write.h>

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

class MaterialLook : public ::testing::Test {
   protected:
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }

    // A sphere of radius 10 at `centre`, as one node of its own.
    static assets::SceneNodeMesh Sphere(const std::string& name, assets::Vec3 centre = {})
    {
        assets::SceneNodeMesh node;
        node.nodeName = name;
        assets::AddSphere(node.geometry, centre, 10.0f, 24, 12);
        return node;
    }

    std::string Write(const std::vector<assets::SceneNodeMesh>& nodes, const fs::path& folder)
    {
        fs::create_directories(folder);
        const fs::path path = folder / "model.fbx";
        EXPECT_EQ(assets::WriteFbxScene(path.string(), nodes), "");
        return path.string();
    }

    static SnapOptions Options(const std::string& view, bool transparent = false)
    {
        SnapOptions options;
        options.outputPath = "unused.png";
        options.width = 160;
        options.height = 120;
        options.showSky = false;
        options.transparent = transparent;
        options.viewName = view;
        return options;
    }

    SnapImage Render(const std::string& model, const std::string& view = "PBL Default",
                     bool transparent = false)
    {
        const SnapOptions options = Options(view, transparent);
        SnapImage image;
        std::string error;
        EXPECT_TRUE(RenderSnapshot(options, model, image, error)) << error;
        return image;
    }

    static const uint8_t* Centre(const SnapImage& image)
    {
        return &image.rgba[((image.height / 2) * image.width + image.width / 2) * 4];
    }

    static bool Logged(const std::string& text)
    {
        for (const auto& entry : GetEngine()->scene->log.EntriesFrom(0))
            if (entry.text == text)
                return true;
        return false;
    }

    const fs::path dir = fs::temp_directory_path() / ("vornis_look_" + std::to_string(getpid()));
};

std::vector<uint8_t> SolidDds(uint8_t r, uint8_t g, uint8_t b)
{
    std::vector<uint8_t> texels(4 * 4 * 4);
    for (size_t i = 0; i < texels.size(); i += 4) {
        texels[i] = r;
        texels[i + 1] = g;
        texels[i + 2] = b;
        texels[i + 3] = 255;
    }
    return texels;
}

std::vector<uint8_t> SolidPng(uint8_t r, uint8_t g, uint8_t b)
{
    const std::vector<uint8_t> texels = SolidDds(r, g, b);
    std::vector<uint8_t> png;
    stbi_write_png_to_func(
        [](void* out, void* data, int size) {
            auto* bytes = static_cast<std::vector<uint8_t>*>(out);
            bytes->insert(bytes->end(), static_cast<uint8_t*>(data),
                          static_cast<uint8_t*>(data) + size);
        },
        &png, 4, 4, 4, texels.data(), 16);
    return png;
}

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

void ExpectColour(const uint8_t* pixel, int r, int g, int b)
{
    EXPECT_NEAR(pixel[0], r, 3);
    EXPECT_NEAR(pixel[1], g, 3);
    EXPECT_NEAR(pixel[2], b, 3);
}

// The albedo view shows what the mesh's material gives it: its colour, its texture beside
// the model under the name its (Windows) path ends in, or held in the model file; a file
// named after the mesh wins over the material's texture.
TEST_F(MaterialLook, TheAlbedoComesFromTheMaterialUnlessAFileIsNamedAfterTheMesh)
{
    assets::SceneNodeMesh coloured = Sphere("Ball");
    coloured.diffuseColor = {0.8f, 0.3f, 0.1f};
    assets::SceneNodeMesh beside = Sphere("Ball");
    beside.diffuseTexture = "C:\\art\\wood.png";
    assets::SceneNodeMesh embedded = Sphere("Ball");
    embedded.diffuseTexture = "paper.png";
    embedded.embeddedImage = SolidPng(30, 140, 200);
    assets::SceneNodeMesh named = Sphere("Crate");
    named.diffuseTexture = "wood.png";
    const struct {
        const char* folder;
        assets::SceneNodeMesh mesh;
        bool woodBeside, crateFile;
        int r, g, b;
    } cases[] = {{"coloured", coloured, false, false, 204, 77, 26},
                 {"beside", beside, true, false, 150, 90, 40},
                 {"embedded", embedded, false, false, 30, 140, 200},
                 {"named", named, true, true, 20, 200, 60}};
    // One process renders once outside a session.
    SnapSession session(Options("Model Albedo"));
    std::string started;
    ASSERT_TRUE(session.Start(started)) << started;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        const fs::path folder = dir / c.folder;
        const std::string model = Write({c.mesh}, folder);
        if (c.woodBeside)
            WriteFile(folder / "wood.png", SolidPng(150, 90, 40));
        if (c.crateFile) {
            ASSERT_EQ(WriteDdsFile(folder / "Crate_D.dds", DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, 16,
                                   SolidDds(20, 200, 60)),
                      0);
        }
        SnapImage image;
        std::string error;
        ASSERT_TRUE(session.Render(model, image, error)) << error;
        ExpectColour(Centre(image), c.r, c.g, c.b);
        if (c.folder == std::string("coloured")) {
            EXPECT_TRUE(
                Logged("Mesh 'Ball': no texture named after it, using the material's colour "
                       "(0.8, 0.3, 0.1)"));
        }
    }
}

TEST_F(MaterialLook, AMissingNamedTextureShowsTheCheckerboardAndIsNamed)
{
    assets::SceneNodeMesh leg = Sphere("Leg");
    leg.diffuseTexture = "D:\\spider\\SpiderTex.jpg";
    const SnapImage image = Render(Write({leg}, dir), "Model Albedo");
    int magenta = 0, black = 0;
    for (size_t i = 0; i < image.rgba.size(); i += 4) {
        const uint8_t* p = &image.rgba[i];
        magenta += p[0] > 150 && p[1] < 60 && p[2] > 150;
        black += p[0] < 60 && p[1] < 60 && p[2] < 60;
    }
    EXPECT_GT(magenta, image.width * image.height / 50);
    EXPECT_GT(black, image.width * image.height / 50);
    EXPECT_TRUE(
        Logged("Mesh 'Leg': texture not found beside the model: 'SpiderTex.jpg' "
               "(the material names 'D:\\spider\\SpiderTex.jpg')"));
}

// Without the sky the light alone must light the one frame, through a material with
// occlusion 1 (not the black square's 0).
TEST_F(MaterialLook, TheLightAloneLightsAModelWithoutTextures)
{
    assets::SceneNodeMesh ball = Sphere("Ball");
    ball.diffuseColor = {0.6f, 0.6f, 0.6f};
    const SnapImage image = Render(Write({ball}, dir));
    EXPECT_TRUE(
        testing_support::MatchesReference("light_alone", image.rgba, image.width, image.height));
}

// Two balls far apart, where the viewer would frame one of them alone.
TEST_F(MaterialLook, APictureHoldsEveryMeshOfTheModel)
{
    const SnapImage image =
        Render(Write({Sphere("Left", {-120, 0, 0}), Sphere("Right", {120, 40, 0})}, dir),
               "PBL Default", true);
    EXPECT_TRUE(testing_support::MatchesReference("two_balls_framed", image.rgba, image.width,
                                                  image.height));
}

}  // namespace
