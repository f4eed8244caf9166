// What a careless user or a damaged file does to a running engine: each hostile file ends
// in one clear message and the model shown before stays on screen. The cases that once
// killed the program run in a child process, so that a regression fails the test rather
// than taking the test runner down.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <thread>

#include "HostileFbx.h"
#include "api/Engine.h"
#include "api/public/vornis_engine.h"
#include "graphics/GraphicsDevice.h"
#include "models/ModelNode.h"
#include "scene/Scene.h"
#include "support/EngineWindow.h"
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

std::string ShownModelPath()
{
    std::string path;
    GetEngine()->scene->WithModel([&](CModelNode* model) {
        if (model && model->importContext)
            path = model->importContext->path;
    });
    return path;
}

bool AnyMeshUploaded()
{
    bool uploaded = false;
    GetEngine()->scene->WithModel([&](CModelNode* model) {
        std::vector<CMeshObject*> meshes;
        if (model)
            model->CollectMeshObjects(meshes);
        for (const CMeshObject* mesh : meshes)
            uploaded |= mesh->vertexBuffer != nullptr;
    });
    return uploaded;
}

fs::path Scratch(const std::string& name)
{
    const fs::path path =
        fs::temp_directory_path() / ("vornis_hostile_" + std::to_string(getpid())) / name;
    fs::create_directories(path.parent_path());
    return path;
}

// In the child: the demo model shown, then the hostile file loaded. Exits 0 when the load
// ended with a message starting `expected` and the demo model is still drawn.
[[noreturn]] void LoadOverTheDemo(const std::function<fs::path()>& makeFile,
                                  const std::string& expected)
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

    const fs::path hostile = makeFile();
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
    if (ShownModelPath() != demo || !AnyMeshUploaded() || GetVertCount() == 0)
        fail("the demo model is no longer drawn");
    fs::remove_all(hostile.parent_path());
    _exit(0);
}

}  // namespace

TEST(HostileModelFiles, EachEndsInAMessageAndThePreviousModelStaysDrawn)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    using namespace hostile_fbx;
    const auto written = [](const char* name, std::function<std::string()> bytes) {
        return [=] {
            const fs::path path = Scratch(name);
            WriteFile(path, bytes());
            return path;
        };
    };
    const struct {
        const char* what;
        std::function<fs::path()> makeFile;
        std::string expected;  // the start of the one error message
    } cases[] = {
        {"parent cycle", written("cycle.fbx", RealFileWithParentCycle), "Cannot load "},
        {"10,000 nested models",
         written("deep10k.fbx", [] { return AsciiModels(10000, Chain(10000)); }), "Cannot load "},
        {"100,000 nested models",
         written("deep100k.fbx", [] { return AsciiModels(100000, Chain(100000)); }),
         "Cannot load "},
        {"30,000 nested braces", written("braces.fbx", [] { return AsciiNestedBlocks(30000); }),
         "Cannot load "},
        {"a FIFO",
         [] {
             const fs::path path = Scratch("pipe.fbx");
             mkfifo(path.c_str(), 0600);
             return path;
         },
         "Not a regular file: "},
        {"a directory",
         [] {
             const fs::path path = Scratch("folder.fbx");
             fs::create_directories(path);
             return path;
         },
         "Not a regular file: "},
        {"a dangling link",
         [] {
             const fs::path path = Scratch("dangling.fbx");
             fs::create_symlink(path.parent_path() / "gone.fbx", path);
             return path;
         },
         "No such file: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EXIT(LoadOverTheDemo(c.makeFile, c.expected), ::testing::ExitedWithCode(0), "");
    }
}

class LoadOnEngine : public ::testing::Test {
   protected:
    void SetUp() override { ASSERT_EQ(testing_support::StartEngine(96, 64), 0); }
    void TearDown() override { fs::remove_all(Scratch("").parent_path()); }
};

// Folder names are bytes: one that is not UTF-8, and one with a backslash, which a path
// through UTF-16 or a separator rewrite would lose.
TEST_F(LoadOnEngine, TexturesAreFoundInFoldersWithAnyBytesInTheirNames)
{
    for (const char* folder : {"caf\xE9 \xFF", "back\\slash"}) {
        SCOPED_TRACE(folder);
        const fs::path directory = Scratch(folder);
        fs::create_directories(directory);
        for (const auto& entry : fs::directory_iterator("demo"))
            fs::copy_file(entry.path(), directory / entry.path().filename());
        LoadModel((directory / "spheres.fbx").c_str());
        ASSERT_TRUE(WaitForLoad());
        ASSERT_EQ(ShownModelPath(), (directory / "spheres.fbx").string());
        GetEngine()->scene->WithModel([&](CModelNode* model) {
            const CMeshObject* mesh = model->FirstMeshObject();
            ASSERT_NE(mesh, nullptr);
            const TextureRecord& albedo = *mesh->textureSlots[0][kAlbedoSlot].texture;
            EXPECT_EQ(albedo.name.parent_path().native(), directory.native());
            EXPECT_EQ(albedo.isBuiltIn, 0);
        });
    }
}

// Textures created on a load thread whose upload never finished must not be shown.
TEST_F(LoadOnEngine, AnUploadThatNeverFinishesFailsTheLoadWithAMessage)
{
    GetEngine()->device->finishUploads = [] { return false; };
    const std::string demo = fs::absolute("demo/spheres.fbx").string();
    LoadModel(demo.c_str());
    ASSERT_TRUE(WaitForLoad());
    EXPECT_EQ(ShownModelPath(), "");
    EXPECT_EQ(
        GetEngine()->scene->log.LastMessage(),
        "Cannot load " + demo + ": the graphics driver did not finish uploading its textures");
}

TEST_F(LoadOnEngine, AMissingSkyFileSaysSoAndKeepsTheSky)
{
    const TextureHandle shown = GetEngine()->scene->cubeMap;
    const fs::path missing = fs::absolute("no_such_sky.dds");
    SetSkyBoxTexture(missing.c_str());
    EXPECT_EQ(GetEngine()->scene->cubeMap, shown);
    EXPECT_EQ(GetEngine()->scene->log.LastMessage(),
              "Cannot read sky file " + missing.string() + ": no such file");
}
