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

    std::string Write(const std::vector<assets::SceneNodeMesh>& nodes)
    {
        const fs::path path = dir / "model.fbx";
        EXPECT_EQ(assets::WriteFbxScene(path.string(), nodes), "");
        return path.string();
    }

    SnapImage Render(const std::string& model, const std::string& view = "PBL Default",
                     bool transparent = false)
    {
        SnapOptions options;
        options.outputPath = "unused.png";
        options.width = 160;
        options.height = 120;
        options.showSky = false;
        options.transparent = transparent;
        options.viewName = view;
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

TEST_F(MaterialLook, AMaterialColourIsTheAlbedoOfAMeshWithoutTextures)
{
    assets::SceneNodeMesh ball = Sphere("Ball");
    ball.diffuseColor = {0.8f, 0.3f, 0.1f};
    const SnapImage image = Render(Write({ball}), "Model Albedo");
    ExpectColour(Centre(image), 204, 77, 26);
    EXPECT_TRUE(
        Logged("Mesh 'Ball': no texture named after it, using the material's colour "
               "(0.8, 0.3, 0.1)"));
}

// Found beside the model under the name its (Windows) path ends in.
TEST_F(MaterialLook, TheMaterialsTextureBesideTheModelShows)
{
    assets::SceneNodeMesh ball = Sphere("Ball");
    ball.diffuseTexture = "C:\\art\\wood.png";
    WriteFile(dir / "wood.png", SolidPng(150, 90, 40));
    ExpectColour(Centre(Render(Write({ball}), "Model Albedo")), 150, 90, 40);
}

TEST_F(MaterialLook, TheMaterialsTextureHeldInTheModelFileShows)
{
    assets::SceneNodeMesh ball = Sphere("Ball");
    ball.diffuseTexture = "paper.png";
    ball.embeddedImage = SolidPng(30, 140, 200);
    ExpectColour(Centre(Render(Write({ball}), "Model Albedo")), 30, 140, 200);
}

TEST_F(MaterialLook, AFileNamedAfterTheMeshWinsOverTheMaterialsTexture)
{
    assets::SceneNodeMesh crate = Sphere("Crate");
    crate.diffuseTexture = "wood.png";
    WriteFile(dir / "wood.png", SolidPng(150, 90, 40));
    ASSERT_EQ(WriteDdsFile(dir / "Crate_D.dds", DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, 16,
                           SolidDds(20, 200, 60)),
              0);
    ExpectColour(Centre(Render(Write({crate}), "Model Albedo")), 20, 200, 60);
}

TEST_F(MaterialLook, AMissingNamedTextureShowsTheCheckerboardAndIsNamed)
{
    assets::SceneNodeMesh leg = Sphere("Leg");
    leg.diffuseTexture = "D:\\spider\\SpiderTex.jpg";
    const SnapImage image = Render(Write({leg}), "Model Albedo");
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
    const SnapImage image = Render(Write({ball}));
    EXPECT_TRUE(
        testing_support::MatchesReference("light_alone", image.rgba, image.width, image.height));
}

// Two balls far apart, where the viewer would frame one of them alone.
TEST_F(MaterialLook, APictureHoldsEveryMeshOfTheModel)
{
    const SnapImage image = Render(
        Write({Sphere("Left", {-120, 0, 0}), Sphere("Right", {120, 40, 0})}), "PBL Default", true);
    EXPECT_TRUE(testing_support::MatchesReference("two_balls_framed", image.rgba, image.width,
                                                  image.height));
}

}  // namespace
