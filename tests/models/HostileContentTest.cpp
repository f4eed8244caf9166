// Files whose content, not structure, took the import down: bones of one skin sharing a
// name and embedded images that are not base64. Under the system allocator, so a heap that
// the library corrupts ends the test instead of hiding. And files that load into nothing
// say so.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "FbxSceneWriter.h"
#include "FbxTreeWriter.h"
#include "ModelTestSupport.h"
#include "animation/AnimationHooks.h"
#include "models/MeshData.h"
#include "models/ModelImporter.h"
#include "scene/Scene.h"

using namespace modeltest;
using assets::FbxEncoding;

namespace {

// A strip skinned to two bones of the given names, every other vertex to each.
assets::FbxTree SkinnedStrip(const std::string& first, const std::string& second)
{
    assets::FbxTree tree;
    tree.meshes.resize(1);
    assets::AddPatch(tree.meshes[0], {0, 30, 0}, {5, 0, 0}, {0, 40, 0}, 1, 4);
    tree.materials = {{"Skin"}};
    tree.nodes = {{"Armature", -1, {}},
                  {first, 0, {{0, 50, 0}}, -1, -1, true},
                  {second, 1, {{0, -40, 0}}, -1, -1, true},
                  {"Body", -1, {}, 0, 0}};
    assets::FbxTreeSkin skin{3, {{1, {}, {}}, {2, {}, {}}}};
    for (int32_t v = 0; v < static_cast<int32_t>(tree.meshes[0].positions.size()); ++v) {
        skin.clusters[v % 2].vertices.push_back(v);
        skin.clusters[v % 2].weights.push_back(1.0);
    }
    tree.skins = {skin};
    return tree;
}

std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class HostileContent : public ModelTest {
   protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        importer.animationHooks = MakeAnimationHooks(services);
    }

    // The import's last log line, and whether it gave a model.
    std::pair<bool, std::string> Import(const std::filesystem::path& path)
    {
        const size_t from = GetEngine()->scene->log.EntriesFrom(0).size();
        const bool loaded = importer.ImportModel(path, nullptr, path.parent_path(), 0) != nullptr;
        const std::vector<std::string> log = LogTexts(from);
        return {loaded, log.empty() ? "" : log.back()};
    }

    CModelImporter importer;
    AnimationServices services;
};

}  // namespace

TEST_F(HostileContent, BonesSharingANameAreRefusedAndAnEmptyNameAlone)
{
    const struct {
        const char* first;
        const char* second;
        FbxEncoding encoding;
        const char* refusal;  // empty: imported
    } cases[] = {
        {"Bone", "Bone", FbxEncoding::Ascii, "two bones of one skin are both named 'Bone'"},
        {"Bone", "Bone", FbxEncoding::Binary, "two bones of one skin are both named 'Bone'"},
        {"", "", FbxEncoding::Binary, "two bones of one skin are both named ''"},
        {"", "Knee", FbxEncoding::Binary, ""},
        {"Hip", "Knee", FbxEncoding::Ascii, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.first) + "/" + c.second);
        const std::filesystem::path path = scratch / "skin.fbx";
        ASSERT_EQ(assets::WriteFbxTree(path, SkinnedStrip(c.first, c.second), c.encoding), "");
        const auto [loaded, message] = Import(path);
        EXPECT_EQ(loaded, *c.refusal == '\0') << message;
        if (*c.refusal) {
            EXPECT_EQ(message, "Cannot load " + path.string() + ": " + c.refusal);
        }
    }
}

TEST_F(HostileContent, EmbeddedImagesThatAreNotBase64AreRefused)
{
    assets::SceneNodeMesh wall;
    wall.nodeName = "Wall";
    assets::AddPatch(wall.geometry, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 1, 1);
    wall.diffuseTexture = "wall.png";
    wall.embeddedImage = {0x89, 'P', 'N', 'G', 1, 2, 3, 4, 5, 6, 7, 8, 9};
    const std::filesystem::path written = scratch / "written.fbx";
    ASSERT_EQ(assets::WriteFbxScene(written, {wall}), "");
    const std::string text = ReadText(written);
    const std::string key = "Content: \"";
    const size_t begin = text.find(key) + key.size();
    ASSERT_NE(begin, std::string::npos + key.size());
    const size_t end = text.find('"', begin);

    const struct {
        std::string content;  // between the first and the last quote
        bool refused;
    } cases[] = {
        {text.substr(begin, end - begin), false},  // as written
        {"iVBORwECAwQFBgcICQ", false},             // unpadded
        {"iVBORwECAwQFBgcICQ==", false},
        {"iVBORwECAwQF\", \"BgcICQ==", false},  // two strings
        {"not base64!", true},
        {"iVBO=wEC", true},
        {"iVBORwECAwQFBgcI====", true},
        {"iVBORwECAwQFBgcICQ=", true},
        {"iVBORwEC\", BgcI, \"CQ==", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        const std::filesystem::path path = scratch / "embedded.fbx";
        std::ofstream(path, std::ios::binary)
            << text.substr(0, begin) + c.content + text.substr(end);
        const auto [loaded, message] = Import(path);
        EXPECT_EQ(loaded, !c.refused) << message;
        if (c.refused) {
            EXPECT_EQ(message, "Cannot load " + path.string() +
                                   ": an embedded file's content is not base64");
        }
    }
}

// A joint, and a mesh when asked for, with one take moving the joint along the key times
// (none without key times).
assets::FbxTree TakeWithKeys(std::vector<double> seconds, bool mesh)
{
    assets::FbxTree tree;
    tree.nodes = {{"Root", -1, {}}, {"Hip", 0, {}, -1, -1, true}};
    assets::FbxChannel channel{1, 'T', {}};
    for (double t : seconds)
        channel.keys.push_back({t, {static_cast<float>(channel.keys.size()), 0, 0}});
    if (!seconds.empty())
        tree.takes = {{"Walk", 1.0, {channel}}};
    if (mesh) {
        tree.meshes.resize(1);
        assets::AddPatch(tree.meshes[0], {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 1, 1);
        tree.materials = {{"Paint"}};
        tree.nodes.push_back({"Body", -1, {}, 0, 0});
    }
    return tree;
}

TEST_F(HostileContent, EveryLoadThatShowsNothingSaysWhy)
{
    importer.shownModel = [](const auto& use) { use(nullptr); };
    const std::string dropped =
        "%: the import library dropped 1 of its 1 takes (key times all equal, decreasing or "
        "negative)";
    const struct {
        const char* what;
        assets::FbxTree tree;
        ModelLoadKind kind;
        std::vector<std::string> said;  // after "Loading model"; % stands for the path
    } cases[] = {
        {"no mesh",
         TakeWithKeys({}, false),
         ModelLoadKind::Request,
         {"Cannot load %: it holds no mesh"}},
        {"clips without a model",
         TakeWithKeys({0, 0.5}, false),
         ModelLoadKind::Animation,
         {"Cannot add the animation of %: no model is shown"}},
        {"equal key times",
         TakeWithKeys({0.5, 0.5, 0.5}, true),
         ModelLoadKind::Request,
         {dropped, "Model loaded: %"}},
        {"decreasing key times",
         TakeWithKeys({1, 0.5, 0}, false),
         ModelLoadKind::Request,
         {dropped, "Cannot load %: it holds no mesh"}},
        // Fails an assertion inside the library: only its worker ends.
        {"negative key times",
         TakeWithKeys({-2, -1}, true),
         ModelLoadKind::Request,
         {"Cannot load %: the import library stopped (signal 6, aborted)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::filesystem::path path = scratch / (std::string(c.what) + ".fbx");
        ASSERT_EQ(assets::WriteFbxTree(path, c.tree, FbxEncoding::Binary), "");
        CScene& scene = *GetEngine()->scene;
        const size_t from = scene.log.EntriesFrom(0).size();
        scene.LoadModel(path, importer, c.kind);
        while (scene.IsLoadPending())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::vector<std::string> expected = {"Loading model"};
        for (std::string line : c.said)
            expected.push_back(line.replace(line.find('%'), 1, path.string()));
        EXPECT_EQ(LogTexts(from), expected);
    }
}

// A skin naming a vertex beyond its mesh fails an assertion inside the library (SIGABRT in
// its converter): only the worker ends, and the load says so.
TEST_F(HostileContent, ASkinNamingAVertexBeyondItsMeshEndsOnlyTheWorker)
{
    for (FbxEncoding encoding : {FbxEncoding::Ascii, FbxEncoding::Binary}) {
        SCOPED_TRACE(encoding == FbxEncoding::Binary ? "binary" : "ASCII");
        assets::FbxTree tree = SkinnedStrip("Hip", "Knee");
        tree.skins[0].clusters[0].vertices.back() = 100000;
        const std::filesystem::path path = scratch / "beyond.fbx";
        ASSERT_EQ(assets::WriteFbxTree(path, tree, encoding), "");
        const auto [loaded, message] = Import(path);
        EXPECT_FALSE(loaded);
        EXPECT_EQ(message, "Cannot load " + path.string() +
                               ": the import library stopped (signal 6, aborted)");
    }
}
