// Texture records on a started engine: what holds them, what releases them, one upload per
// file, and reloads that reach every holder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "FbxSceneWriter.h"
#include "TextureGlTestSupport.h"
#include "api/public/vornis_engine.h"
#include "models/ModelNode.h"

using namespace texture_test;

namespace {

namespace fs = std::filesystem;

class TextureLifetime : public TextureManagerGl {
   protected:
    // Quads side by side, one node and mesh per name.
    void WriteQuads(const fs::path& path, const std::vector<std::string>& names)
    {
        std::vector<assets::SceneNodeMesh> nodes;
        for (const std::string& name : names) {
            assets::SceneNodeMesh node;
            node.nodeName = name;
            const float x = 2.5f * static_cast<float>(nodes.size());
            assets::AddPatch(node.geometry, {x, 0, 0}, {1, 0, 0}, {0, 1, 0}, 1, 1);
            nodes.push_back(std::move(node));
        }
        ASSERT_EQ(assets::WriteFbxScene(path.string(), nodes), "");
    }

    // Loads through the exported interface, as the viewer does, and runs a frame.
    void LoadAndWait(const fs::path& path)
    {
        LoadModel(path.string().c_str());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!IsModelLoaded() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_TRUE(IsModelLoaded());
        Present();
    }

    std::vector<CMeshObject*> MeshObjects()
    {
        std::vector<CMeshObject*> meshes;
        engine->scene->WithModel([&](CModelNode* model) { model->CollectMeshObjects(meshes); });
        return meshes;
    }
};

// Switching between a textured model and the demo must not pile up textures: whatever the
// replaced model held is released with it.
TEST_F(TextureLifetime, FiftyAlternatingLoadsEndAtTheBaseline)
{
    WriteQuads(scratch / "Quad.fbx", {"Quad"});
    WriteTexel(scratch / "Quad_D.dds", 0xFF336699);
    LoadAndWait("demo/spheres.fbx");
    gpu::ReleaseQueuedObjects();
    const size_t records = manager->LiveRecordCount();
    const size_t textures = gpu::LiveTextureCount();

    for (int load = 1; load <= 50; ++load)
        LoadAndWait(load % 2 ? scratch / "Quad.fbx" : fs::path("demo/spheres.fbx"));
    Present();  // releases the last replaced model's textures
    EXPECT_EQ(manager->LiveRecordCount(), records);
    EXPECT_EQ(gpu::LiveTextureCount(), textures);
}

TEST_F(TextureLifetime, EightMeshesSharingAFileMakeOneRecordAndOneTexture)
{
    const std::vector<std::string> parts = {"Part1", "Part2", "Part3", "Part4",
                                            "Part5", "Part6", "Part7", "Part8"};
    WriteQuads(scratch / "eight.fbx", parts);
    WriteTexel(scratch / "Albedo_D.dds", 0xFF00FF00);
    const size_t records = manager->LiveRecordCount();
    const size_t textures = gpu::LiveTextureCount();
    LoadAndWait(scratch / "eight.fbx");

    // The file, and the 1 x 1 material texture that their equal materials share.
    EXPECT_EQ(gpu::LiveTextureCount(), textures + 2);
    EXPECT_EQ(manager->LiveRecordCount(), records + 1);
    const std::vector<CMeshObject*> meshes = MeshObjects();
    ASSERT_EQ(meshes.size(), parts.size());
    const TextureHandle& albedo = meshes[0]->textureSlots[0][kAlbedoSlot].texture;
    EXPECT_EQ(albedo->name, scratch / "Albedo_D.dds");
    for (const CMeshObject* mesh : meshes)
        for (const TextureBlock& block : mesh->textureSlots)
            EXPECT_EQ(block[kAlbedoSlot].texture, albedo);
}

// A custom texture named relative to the program, held by the scene's slot, by every mesh
// and by a preview of its own: one edit reaches all of them.
TEST_F(TextureLifetime, AnEditedCustomTextureReachesEveryHolder)
{
    WriteQuads(scratch / "pair.fbx", {"Left", "Right"});
    LoadAndWait(scratch / "pair.fbx");
    const fs::path folder = platform::ProgramDirectory() / ("custom_" + std::to_string(getpid()));
    fs::create_directories(folder);
    WriteTexel(folder / "custom.dds", 0xFF0000FF);
    const std::string relative = (folder.filename() / "custom.dds").string();
    SetExtraTexture(relative.c_str(), 2);

    const TextureHandle slot = engine->scene->extraTextures[2].texture;
    ASSERT_NE(NameOf(slot), 0u);
    for (const CMeshObject* mesh : MeshObjects())
        EXPECT_EQ(mesh->extraTextures[2], slot) << "one record for the meshes and the slot";
    const TextureHandle preview = manager->LoadTexture(relative);
    EXPECT_NE(preview, slot);

    WriteTexel(folder / "custom.dds", 0xFF00FFFF);
    DispatchChange(folder / "custom.dds", 5);
    EXPECT_EQ(Texels(slot), Rgba8Bytes({0xFF00FFFF}));
    EXPECT_EQ(Texels(preview), Rgba8Bytes({0xFF00FFFF}));
    EXPECT_EQ(CountLines("Texture modified and reloaded : " + (folder / "custom.dds").string()), 1);
    fs::remove_all(folder);
}

TEST_F(TextureLifetime, ASkyEditedIntoAFlatImageStaysShownUntilItIsACubeAgain)
{
    const fs::path sky = scratch / "sky.dds";
    WriteTexel(sky, 0xFF0000FF, true);
    SetSkyBoxTexture(sky.string().c_str());
    const TextureHandle shown = engine->scene->cubeMap;
    ASSERT_EQ(shown->name, sky);
    const ShaderResourceViewPtr cube = shown->view;

    WriteTexel(sky, 0xFF00FF00);
    DispatchChange(sky, 5);
    EXPECT_EQ(engine->scene->cubeMap, shown);
    EXPECT_EQ(shown->view, cube);
    EXPECT_EQ(CountLines("Texture not reloaded, the file is no longer a cube map: "), 1);
    EXPECT_EQ(CountLines("Texture modified and reloaded : "), 0);

    WriteTexel(sky, 0xFFFF0000, true);
    DispatchChange(sky, 10);
    EXPECT_EQ(engine->scene->cubeMap, shown);
    ASSERT_NE(shown->view, cube);
    EXPECT_EQ(shown->view->GetTexture()->Target(), static_cast<GLenum>(GL_TEXTURE_CUBE_MAP));
    EXPECT_EQ(ReadLayer(NameOf(shown), 0, 5, 1), (std::vector<uint8_t>{0, 0, 255, 255}));
    EXPECT_EQ(CountLines("Texture modified and reloaded : "), 1);
}

}  // namespace
