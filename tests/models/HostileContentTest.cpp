// Files whose content, not structure, took the import down: bones of one skin sharing a
// name and embedded images that are not base64. Under the system allocator, so a heap that
// the library corrupts ends the test instead of hiding.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "FbxSceneWriter.h"
#include "FbxTreeWriter.h"
#include "ModelTestSupport.h"
#include "animation/AnimationHooks.h"
#include "models/MeshData.h"
#include "models/ModelImporter.h"

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
