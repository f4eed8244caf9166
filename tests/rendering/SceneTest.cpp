// The scene on a started engine: loading, refused and hostile files, reloads and the passes'
// rules.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>

#include "HostileFbx.h"
#include "api/Engine.h"
#include "api/EngineStartup.h"
#include "api/public/vornis_engine.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/gpu/GpuObjects.h"
#include "graphics/gpu/GpuShaders.h"
#include "models/ModelNode.h"
#include "platform/FileWatcher.h"
#include "scene/Camera.h"
#include "scene/Scene.h"
#include "shaders/BaseShader.h"
#include "shaders/ShaderRegistry.h"
#include "support/EngineWindow.h"
#include "support/ReferenceImage.h"
#include "textures/TextureRecord.h"

namespace {

namespace fs = std::filesystem;

bool WaitForLoad()
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!IsModelLoaded() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return IsModelLoaded();
}

bool AnyMeshUploaded(const CModelNode* node)
{
    std::vector<CMeshObject*> meshes;
    if (node)
        node->CollectMeshObjects(meshes);
    return std::any_of(meshes.begin(), meshes.end(), [](auto* mesh) { return mesh->vertexBuffer; });
}

std::string ShownModelPath()
{
    std::string path;
    GetEngine()->scene->WithModel([&](CModelNode* model) {
        if (model && model->importContext)
            path = model->importContext->path;
    });
    return path;
}

fs::path Scratch(const std::string& name)
{
    const fs::path path =
        fs::temp_directory_path() / ("vornis_scene_" + std::to_string(getpid())) / name;
    fs::create_directories(path.parent_path());
    return path;
}

// In a child process: the demo model shown, then the hostile file loaded. Exits 0 when the
// load ended with one error message starting `expected` and the demo model is still drawn.
[[noreturn]] void LoadOverTheDemo(const std::function<void(const fs::path&)>& make,
                                  const std::string& name, const std::string& expected)
{
    const auto fail = [](const std::string& why) {
        std::fprintf(stderr, "%s\n", why.c_str());
        _exit(1);
    };
    if (testing_support::StartEngine(96, 64) != 0)
        fail("the engine did not start");
    const std::string demo = fs::absolute("demo/spheres.fbx").string();
    LoadModel(demo.c_str());
    if (!WaitForLoad() || ShownModelPath() != demo)
        fail("the demo model did not load");
    Present();
    Present();

    const fs::path hostile = Scratch(name);
    make(hostile);
    CScene& scene = *GetEngine()->scene;
    const size_t before = scene.log.Count();
    LoadModel(hostile.c_str());
    if (!WaitForLoad())
        fail("the load never ended");
    std::string errors;
    for (const auto& entry : scene.log.EntriesFrom(before))
        if (entry.level == MessageLevelError)
            errors += entry.text + "\n";
    if (errors.rfind(expected, 0) != 0 || errors.size() != errors.find('\n') + 1)
        fail("expected one message starting \"" + expected + "\", got:\n" + errors);
    Present();
    Present();
    bool drawn = false;
    scene.WithModel([&](CModelNode* model) { drawn = AnyMeshUploaded(model); });
    if (ShownModelPath() != demo || !drawn || GetVertCount() == 0)
        fail("the demo model is no longer drawn");
    fs::remove_all(hostile.parent_path());
    _exit(0);
}

// The cases that once killed the program run in a child process, so that a regression fails
// the test rather than taking the test runner down.
TEST(HostileModelFiles, EachEndsInAMessageAndThePreviousModelStaysDrawn)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    using namespace hostile_fbx;
    using Make = std::function<void(const fs::path&)>;
    const auto bytes = [](std::function<std::string()> content) {
        return Make([=](const fs::path& path) { WriteFile(path, content()); });
    };
    const struct {
        const char* name;
        Make make;
        std::string expected;  // the start of the one error message
    } cases[] = {
        {"cycle.fbx", bytes(RealFileWithParentCycle), "Cannot load "},
        {"deep10k.fbx", bytes([] { return AsciiModels(10000, Chain(10000)); }), "Cannot load "},
        {"deep100k.fbx", bytes([] { return AsciiModels(100000, Chain(100000)); }), "Cannot load "},
        {"braces.fbx", bytes([] { return AsciiNestedBlocks(30000); }), "Cannot load "},
        {"pipe.fbx", [](const fs::path& path) { mkfifo(path.c_str(), 0600); },
         "Not a regular file: "},
        {"folder.fbx", [](const fs::path& path) { fs::create_directories(path); },
         "Not a regular file: "},
        {"dangling.fbx",
         [](const fs::path& path) { fs::create_symlink(path.parent_path() / "gone.fbx", path); },
         "No such file: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EXIT(LoadOverTheDemo(c.make, c.name, c.expected), ::testing::ExitedWithCode(0), "");
    }
}

class SceneOnEngine : public ::testing::Test {
   protected:
    void SetUp() override
    {
        ASSERT_EQ(testing_support::StartEngine(96, 64), 0);
        engine = GetEngine();
        scene = engine->scene.get();
    }
    void TearDown() override { fs::remove_all(Scratch("").parent_path()); }

    CEngine* engine = nullptr;
    CScene* scene = nullptr;
};

// A second InitEngine while the model and its textures load: the loads end before the
// importer, texture manager and scene they use are made again, and the engine draws on.
TEST(SceneRestart, ASecondStartDuringALoadWaitsForItAndStartsAfresh)
{
    EXPECT_EXIT(
        {
            SDL_Window* window = nullptr;
            if (testing_support::StartEngine(96, 64, &window) != 0)
                _exit(2);
            LoadModel(fs::absolute("demo/spheres.fbx").c_str());
            if (InitEngine(static_cast<int>(SDL_GetWindowID(window)), 96, 64) != 0)
                _exit(3);
            LoadModel(fs::absolute("demo/spheres.fbx").c_str());
            if (!WaitForLoad())
                _exit(4);
            Present();
            Present();
            _exit(GetEngine()->scene->log.LastMessageLevel() ==
                          static_cast<uint32_t>(MessageLevelError)
                      ? 5
                      : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

// Start-up links no GL program: a snapshot or a first frame pays the driver only for what it
// draws. A later build links at once, so that a program the driver refuses leaves the one
// before it in place.
TEST_F(SceneOnEngine, ProgramsAreLinkedWhenFirstDrawnWithAndAtOnceAfterStartUp)
{
    const auto linked = [] {
        return gpu::LiveObjectCounts().count[static_cast<size_t>(gpu::ObjectKind::Program)];
    };
    EXPECT_EQ(linked(), 0u);
    Present();
    const size_t drawn = linked();
    EXPECT_GT(drawn, 0u);
    EXPECT_LT(drawn, engine->baseShader->pixelShaders.size());

    engine->shaders->CompileAll(*engine->baseShader, false);
    EXPECT_GE(linked(), drawn + engine->baseShader->pixelShaders.size() - 1);

    const auto refused =
        gpu::DeferShaderProgram(gpu::ShaderStage::Pixel, "#version 450\nnot a shader", "refused");
    EXPECT_EQ(refused->Name(), 0u);
    EXPECT_EQ(refused->Name(), 0u);  // tried once
}

// A failed sky load comes back as the checkerboard record, which has a view; neither it nor
// any other flat image may replace the sky.
TEST_F(SceneOnEngine, RefusedFilesSayWhyAndKeepWhatIsShown)
{
    LoadModel("model.obj");
    EXPECT_EQ(scene->log.LastMessage(), "Format not supported: .obj");
    EXPECT_EQ(scene->log.LastMessageLevel(), static_cast<uint32_t>(MessageLevelError));
    EXPECT_TRUE(IsModelLoaded());

    const TextureHandle shown = scene->cubeMap;
    ASSERT_NE(shown, nullptr);
    const fs::path missing = fs::absolute("no_such_sky.dds");
    SetSkyBoxTexture(missing.c_str());
    EXPECT_EQ(scene->log.LastMessage(),
              "Cannot read sky file " + missing.string() + ": no such file");
    SetSkyBoxTexture(fs::absolute("demo/Stage_D.dds").c_str());
    EXPECT_EQ(scene->log.LastMessage(), "Error loading skybox texture");
    EXPECT_EQ(scene->cubeMap, shown);
    SetSkyBoxTexture(fs::absolute("Skyboxtextures/sky_daylight.dds").c_str());
    EXPECT_NE(scene->cubeMap, shown);

    ChangeCubeMapMipLevel(3);
    ChangeCubeMapMipLevel(-1);
    EXPECT_EQ(scene->cubeMapMipLevel, 3u);
    EXPECT_EQ(scene->cubeMap->displayedMipLevel, 3u);
}

// Framed in the frame after the load, drawn in the one after; a rotation switch then spins
// its meshes a little every frame, about its own axis only.
TEST_F(SceneOnEngine, ALoadedModelIsFramedThenDrawnAndSpinsOnlyWhenSwitchedOn)
{
    LoadModel("demo/spheres.fbx");
    EXPECT_FALSE(IsModelLoaded());
    ASSERT_TRUE(WaitForLoad());
    ASSERT_NE(scene->model, nullptr);
    EXPECT_TRUE(scene->modelChanged);
    Present();
    EXPECT_FALSE(scene->modelChanged);
    EXPECT_TRUE(engine->camera->focusActive);
    EXPECT_FALSE(AnyMeshUploaded(scene->model.get()));
    Present();
    EXPECT_TRUE(AnyMeshUploaded(scene->model.get()));
    EXPECT_GT(GetVertCount(), 0);

    const Matrix4& spin = scene->model->FirstMeshObject()->spinMatrix;
    EXPECT_EQ(spin, Matrix4::Identity());
    Rotate(false, true, false);
    for (int frame = 0; frame < 3; ++frame)
        Present();
    EXPECT_NE(spin, Matrix4::Identity());
    EXPECT_FLOAT_EQ(spin.m[1][1], 1.0f) << "a turn about Y leaves Y alone";
}

// Folder names are bytes: one that is not UTF-8, and one with a backslash, which a path
// through UTF-16 or a separator rewrite would lose. Relative names of textures are data
// paths (beside the program here); a model named relative to some other working directory
// must still find the textures beside it.
TEST_F(SceneOnEngine, TexturesAreFoundBesideTheModelWhateverItsFolderIsCalledOrWhereItIsNamedFrom)
{
    const auto albedo = [&] {
        const CMeshObject* mesh = scene->model ? scene->model->FirstMeshObject() : nullptr;
        return mesh ? mesh->textureSlots[0][kAlbedoSlot].texture.get() : nullptr;
    };
    for (const char* folder : {"caf\xE9 \xFF", "back\\slash"}) {
        SCOPED_TRACE(folder);
        const fs::path directory = Scratch(folder);
        fs::create_directories(directory);
        for (const auto& entry : fs::directory_iterator("demo"))
            fs::copy_file(entry.path(), directory / entry.path().filename());
        LoadModel((directory / "spheres.fbx").c_str());
        ASSERT_TRUE(WaitForLoad());
        ASSERT_EQ(ShownModelPath(), (directory / "spheres.fbx").string());
        ASSERT_NE(albedo(), nullptr);
        EXPECT_EQ(albedo()->name.parent_path().native(), directory.native());
    }

    const fs::path programDirectory = fs::current_path();
    fs::current_path(programDirectory.parent_path());
    LoadModel((programDirectory.filename() / "demo" / "spheres.fbx").c_str());
    fs::current_path(programDirectory);
    ASSERT_TRUE(WaitForLoad());
    ASSERT_NE(albedo(), nullptr);
    EXPECT_NE(albedo()->name, "Failed");
}

// Textures created on a load thread whose upload never finished must not be shown.
TEST_F(SceneOnEngine, AnUploadThatNeverFinishesFailsTheLoadWithAMessage)
{
    engine->device->finishUploads = [] { return false; };
    const std::string demo = fs::absolute("demo/spheres.fbx").string();
    LoadModel(demo.c_str());
    ASSERT_TRUE(WaitForLoad());
    EXPECT_EQ(ShownModelPath(), "");
    EXPECT_EQ(
        scene->log.LastMessage(),
        "Cannot load " + demo + ": the graphics driver did not finish uploading its textures");
}

// A changed model file is reloaded at the next frame. Every GPU object has one owner that
// releases it: what a model, a reload and a sky change created and replaced is all gone
// after a shutdown, which leaves no context current.
TEST_F(SceneOnEngine, AChangedModelFileIsReloadedAndShutdownLeavesNoGpuObjectAlive)
{
    const fs::path copy = Scratch("reload.fbx");
    fs::copy_file("demo/spheres.fbx", copy);
    LoadModel(copy.c_str());
    ASSERT_TRUE(WaitForLoad());
    Present();
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
    ASSERT_TRUE(WaitForLoad());
    Present();
    Present();
    SetSkyBoxTexture(fs::absolute("Skyboxtextures/sky_daylight.dds").c_str());
    ASSERT_TRUE(ReloadModel());
    ASSERT_TRUE(WaitForLoad());
    Present();
    EXPECT_EQ(ShutdownEngine(*engine), 0u) << gpu::LiveObjectCounts().Describe();
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    Present();  // draws nothing
}

// The presented picture, top row first.
std::vector<uint8_t> PresentedFrame(const CEngine& engine)
{
    const auto& buffer = *engine.device->backBuffer;
    int width = 0;
    int height = 0;
    testing_support::TextureSize(buffer.Name(), width, height);
    return testing_support::ReadTextureRgba8(buffer.Name(), width, height);
}

bool EveryPixelLike(const std::vector<uint8_t>& rgba, size_t first)
{
    for (size_t i = 0; i + 4 <= rgba.size(); i += 4)
        if (std::memcmp(&rgba[i], &rgba[first], 4) != 0)
            return false;
    return true;
}

// A sky that cannot be drawn covers nothing: the frame under it is cleared, so a model
// that moves leaves no trail.
TEST_F(SceneOnEngine, ASkyWithoutItsShaderLeavesNoTrailsOfEarlierFrames)
{
    SetPhotoMode(true);
    RenderSkyBox(true);
    LoadModel("demo/spheres.fbx");
    ASSERT_TRUE(WaitForLoad());
    ASSERT_EQ(scene->shader->pixelShaders.erase("SKYBOX"), 1u);
    ASSERT_FALSE(scene->SkyCoversTarget());
    Present();
    Present();
    engine->camera->focusActive = false;
    Present();
    const std::vector<uint8_t> first = PresentedFrame(*engine);
    ASSERT_FALSE(EveryPixelLike(first, 0)) << "the model is in the first frame";

    // The model moves out of the picture: nothing of it may stay.
    engine->camera->panX += 1e4f;
    Present();
    EXPECT_TRUE(EveryPixelLike(PresentedFrame(*engine), 0));
}

// After a resize to another aspect the sky looks as it does from a fresh start at that
// size (the reference was taken from one).
TEST_F(SceneOnEngine, TheSkyAfterAResizeMatchesAFreshStartAtThatSize)
{
    SetPhotoMode(true);
    RenderSkyBox(true);
    SDL_SetWindowSize(SDL_GL_GetCurrentWindow(), 48, 80);
    ResizeEngine(48, 80);
    Present();
    EXPECT_TRUE(testing_support::MatchesReference("sky_tall", PresentedFrame(*engine), 48, 80));
}

TEST(FreshEngine, ShowsTheSkyAtItsStartSize)
{
    ASSERT_EQ(testing_support::StartEngine(48, 80), 0);
    SetPhotoMode(true);
    RenderSkyBox(true);
    Present();
    EXPECT_TRUE(
        testing_support::MatchesReference("sky_tall", PresentedFrame(*GetEngine()), 48, 80));
}

// The fixed assets and a sky with its mips are there from start-up; photo mode hides the
// gizmo and the grid but not the sky; wireframe survives the grid pass frame after frame.
TEST_F(SceneOnEngine, PhotoModeWireframeAndScreenshotsLeaveTheRestOfTheFrameAlone)
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

    const auto fill = [&] { return engine->device->context->CurrentRasterizerState().fill; };
    SetRenderMode(1);
    for (int frame = 0; frame < 3; ++frame) {
        Present();
        EXPECT_EQ(engine->device->renderMode, 1);
        EXPECT_EQ(fill(), gpu::FillMode::Wireframe);
    }
    SetRenderMode(7);  // stored, binds nothing
    Present();
    EXPECT_EQ(engine->device->renderMode, 7);
    EXPECT_EQ(fill(), gpu::FillMode::Solid);

    // A screenshot at another size leaves the camera's projection as it was.
    const Matrix4 before = engine->camera->projection;
    const size_t messages = scene->log.Count();
    TakeScreenshot(32, 16);
    EXPECT_EQ(std::memcmp(&before, &engine->camera->projection, sizeof(before)), 0);
    EXPECT_EQ(engine->camera->width, 96u);
    const std::string prefix = "Screenshot saved to: ";
    for (const auto& entry : scene->log.EntriesFrom(messages))
        if (entry.text.rfind(prefix, 0) == 0)
            fs::remove(entry.text.substr(prefix.size()));
}

}  // namespace
