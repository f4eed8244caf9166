// The scene on a started engine: loading, refocusing, reloads and the passes' rules.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "api/Engine.h"
#include "api/EngineStartup.h"
#include "api/public/vornis_engine.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/gpu/GpuObjects.h"
#include "models/ModelNode.h"
#include "platform/FileWatcher.h"
#include "scene/Camera.h"
#include "scene/Scene.h"
#include "support/EngineWindow.h"
#include "textures/TextureRecord.h"

namespace {

namespace fs = std::filesystem;

class SceneOnEngine : public ::testing::Test {
   protected:
    void SetUp() override
    {
        ASSERT_EQ(testing_support::StartEngine(96, 64), 0);
        engine = GetEngine();
        scene = engine->scene.get();
    }

    void WaitForLoad()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!IsModelLoaded() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_TRUE(IsModelLoaded());
    }

    static bool AnyMeshUploaded(const CModelNode* node)
    {
        if (!node)
            return false;
        std::vector<CMeshObject*> meshes;
        node->CollectMeshObjects(meshes);
        for (const CMeshObject* mesh : meshes)
            if (mesh->vertexBuffer)
                return true;
        return false;
    }

    CEngine* engine = nullptr;
    CScene* scene = nullptr;
};

// A failed load comes back as the checkerboard record, which has a view; neither it nor
// any other flat image may replace the sky.
TEST_F(SceneOnEngine, ASkyThatIsNoCubeMapKeepsTheShownSkyAndSaysSo)
{
    const TextureHandle shown = scene->cubeMap;
    ASSERT_NE(shown, nullptr);
    SetSkyBoxTexture((fs::current_path() / "demo/Stage_D.dds").string().c_str());
    EXPECT_EQ(scene->cubeMap, shown);
    EXPECT_EQ(scene->log.LastMessage(), "Error loading skybox texture");
    SetSkyBoxTexture((fs::current_path() / "Skyboxtextures/sky_daylight.dds").string().c_str());
    EXPECT_NE(scene->cubeMap, shown);
}

TEST_F(SceneOnEngine, OnlyFbxExtensionsAreLoaded)
{
    LoadModel("model.obj");
    EXPECT_EQ(scene->log.LastMessage(), "Format not supported: .obj");
    EXPECT_EQ(scene->log.LastMessageLevel(), static_cast<uint32_t>(MessageLevelError));
    EXPECT_TRUE(IsModelLoaded());
}

TEST_F(SceneOnEngine, ALoadedModelIsFramedInTheNextFrameAndDrawnInTheOneAfter)
{
    LoadModel("demo/spheres.fbx");
    EXPECT_FALSE(IsModelLoaded());
    WaitForLoad();
    ASSERT_NE(scene->model, nullptr);
    EXPECT_TRUE(scene->modelChanged);

    Present();
    EXPECT_FALSE(scene->modelChanged);
    EXPECT_TRUE(engine->camera->focusActive);
    EXPECT_FALSE(AnyMeshUploaded(scene->model.get()));

    Present();
    EXPECT_TRUE(AnyMeshUploaded(scene->model.get()));
    EXPECT_GT(GetVertCount(), 0);
}

// Relative names of textures are data paths (beside the program here); a model named
// relative to some other working directory must still find the textures beside it.
TEST_F(SceneOnEngine, AModelNamedRelativeToAnotherDirectoryFindsItsTextures)
{
    const fs::path programDirectory = fs::current_path();
    fs::current_path(programDirectory.parent_path());
    LoadModel((programDirectory.filename() / "demo" / "spheres.fbx").string().c_str());
    fs::current_path(programDirectory);
    WaitForLoad();
    ASSERT_NE(scene->model, nullptr);
    const CMeshObject* mesh = scene->model->FirstMeshObject();
    ASSERT_NE(mesh, nullptr);
    ASSERT_NE(mesh->textureSlots[0][kAlbedoSlot].texture, nullptr);
    EXPECT_NE(mesh->textureSlots[0][kAlbedoSlot].texture->name, "Failed");
}

// A rotation switch spins its meshes a little every frame; without one nothing turns.
TEST_F(SceneOnEngine, RotationSwitchesAccumulateASpinAboutTheirAxis)
{
    LoadModel("demo/spheres.fbx");
    WaitForLoad();
    Present();
    Present();
    CMeshObject* mesh = scene->model->FirstMeshObject();
    EXPECT_EQ(mesh->spinMatrix, Matrix4::Identity());
    Rotate(false, true, false);
    for (int frame = 0; frame < 3; ++frame)
        Present();
    const Matrix4& spin = mesh->spinMatrix;
    EXPECT_NE(spin, Matrix4::Identity());
    EXPECT_FLOAT_EQ(spin.m[1][1], 1.0f) << "a turn about Y leaves Y alone";
    EXPECT_NEAR(spin.m[0][0] * spin.m[0][0] + spin.m[0][2] * spin.m[0][2], 1.0f, 1e-5f);
}

TEST_F(SceneOnEngine, AChangedModelFileIsReloadedAtTheNextFrame)
{
    const fs::path copy =
        fs::temp_directory_path() / ("vornis_reload_" + std::to_string(getpid()) + ".fbx");
    fs::copy_file("demo/spheres.fbx", copy, fs::copy_options::overwrite_existing);
    LoadModel(copy.string().c_str());
    WaitForLoad();
    Present();
    const size_t messages = scene->log.Count();

    fs::last_write_time(copy, fs::last_write_time(copy) + std::chrono::seconds(5));
    engine->fileWatcher->ScanOnce();
    Present();
    EXPECT_FALSE(engine->reloadRequested);
    bool reloading = false;
    for (const auto& entry : scene->log.EntriesFrom(messages))
        reloading |= entry.text == "Loading model";
    EXPECT_TRUE(reloading);
    WaitForLoad();
    fs::remove(copy);
}

// Every GPU object has one owner that releases it: what a model, a sky change and a reload
// created and replaced is all gone after a shutdown, which leaves no context current.
TEST_F(SceneOnEngine, ShutdownLeavesNoGpuObjectAlive)
{
    LoadModel("demo/spheres.fbx");
    WaitForLoad();
    Present();
    Present();
    SetSkyBoxTexture((fs::current_path() / "Skyboxtextures/sky_daylight.dds").string().c_str());
    ASSERT_TRUE(ReloadModel());
    WaitForLoad();
    Present();
    Present();
    EXPECT_EQ(ShutdownEngine(*engine), 0u) << gpu::LiveObjectCounts().Describe();
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    Present();  // draws nothing
}

// The fixed assets and a sky with its mips are there from start-up; photo mode hides the
// gizmo and the grid but not the sky.
TEST_F(SceneOnEngine, PhotoModeHidesGizmoAndGridButNotTheSky)
{
    ASSERT_TRUE(scene->lightMesh && scene->cubeMap && scene->cubeMap->view);
    EXPECT_GT(scene->cubeMap->mipCount, 1u);
    SetPhotoMode(true);
    RenderSkyBox(true);
    Present();
    EXPECT_FALSE(AnyMeshUploaded(scene->gizmoModel.get()));
    EXPECT_FALSE(AnyMeshUploaded(scene->gridModel.get()));
    EXPECT_TRUE(AnyMeshUploaded(scene->skyboxModel.get()));

    SetPhotoMode(false);
    Present();
    EXPECT_TRUE(AnyMeshUploaded(scene->gizmoModel.get()));
    EXPECT_TRUE(AnyMeshUploaded(scene->gridModel.get()));
}

TEST_F(SceneOnEngine, WireframeModeSurvivesTheGridPassFrameAfterFrame)
{
    SetRenderMode(1);
    for (int frame = 0; frame < 3; ++frame) {
        Present();
        EXPECT_EQ(engine->device->renderMode, 1);
        EXPECT_EQ(engine->device->context->CurrentRasterizerState().fill, gpu::FillMode::Wireframe);
    }
    SetRenderMode(7);  // stored, binds nothing
    Present();
    EXPECT_EQ(engine->device->renderMode, 7);
    EXPECT_EQ(engine->device->context->CurrentRasterizerState().fill, gpu::FillMode::Solid);
}

TEST_F(SceneOnEngine, CubeMapMipLevelIgnoresNegativeLevels)
{
    ChangeCubeMapMipLevel(3);
    EXPECT_EQ(scene->cubeMapMipLevel, 3u);
    EXPECT_EQ(scene->cubeMap->displayedMipLevel, 3u);
    ChangeCubeMapMipLevel(-1);
    EXPECT_EQ(scene->cubeMapMipLevel, 3u);
    EXPECT_EQ(scene->cubeMap->displayedMipLevel, 3u);
}

TEST_F(SceneOnEngine, AScreenshotAtAnotherSizeLeavesTheCameraProjectionAsItWas)
{
    const Matrix4 before = engine->camera->projection;
    const size_t messages = scene->log.Count();
    TakeScreenshot(32, 16);
    EXPECT_EQ(std::memcmp(&before, &engine->camera->projection, sizeof(before)), 0);
    EXPECT_EQ(engine->camera->width, 96u);
    for (const auto& entry : scene->log.EntriesFrom(messages)) {
        const std::string prefix = "Screenshot saved to: ";
        if (entry.text.rfind(prefix, 0) == 0)
            fs::remove(entry.text.substr(prefix.size()));
    }
}

}  // namespace
