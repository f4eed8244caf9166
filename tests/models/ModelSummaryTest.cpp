// What the extended model information shows about the imported scene.
#include "ModelTestSupport.h"
#include "models/ModelImporter.h"
#include "models/ModelNode.h"
#include "models/ModelSummary.h"

using namespace modeltest;

namespace {

class ModelSummaryTest : public ModelTest {};

using Colour = ModelInfoLine::Colour;

std::vector<std::string> Texts(const std::vector<ModelInfoLine>& lines)
{
    std::vector<std::string> texts;
    for (const ModelInfoLine& line : lines)
        texts.push_back(line.text);
    return texts;
}

}  // namespace

TEST_F(ModelSummaryTest, NoModelSaysSoInRed)
{
    const auto lines = ModelInfoLines(SummariseModel(nullptr, std::nullopt));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, "No model with meshes loaded");
    EXPECT_EQ(lines[0].colour, Colour::Red);
}

TEST_F(ModelSummaryTest, ModelWithoutSceneStopsAfterTheCounts)
{
    CModelNode root(nullptr, "");
    root.meshObjects.push_back(std::make_unique<CMeshObject>());
    root.meshObjects[0]->vertexCount = 12;
    root.meshObjects[0]->indexCount = 7;
    EXPECT_EQ(
        Texts(ModelInfoLines(SummariseModel(&root, std::nullopt))),
        (std::vector<std::string>{"Basic scene information", "Vertex count: 12", "Index count: 2",
                                  "No scene was loaded at all, wrong fbx version?"}));
}

TEST_F(ModelSummaryTest, MeshAttributesAreListedPerMesh)
{
    aiMesh* mesh = MakeMesh(3);
    mesh->mName = aiString("");
    mesh->mTextureCoords[1] = FilledVectors(3, {0, 0, 0});
    mesh->mTangents = FilledVectors(3, {1, 0, 0});  // no bitangents
    mesh->mColors[1] = new aiColor4D[3];
    auto scene = MakeScene({mesh}, 2);
    CModelNode root(nullptr, "");
    root.scene = scene.get();

    const ModelSummary summary = SummariseModel(&root, std::nullopt);
    EXPECT_EQ(summary.materialCount, 2u);
    const auto lines = ModelInfoLines(summary);
    const std::vector<std::string> texts = Texts(lines);
    ASSERT_EQ(texts.size(), 25u);
    EXPECT_EQ(texts[7], "Numer of materials: 2");
    EXPECT_EQ(std::vector<std::string>(texts.begin() + 11, texts.end() - 1),
              (std::vector<std::string>{">Mesh: 1", "Name: N/A", "Has Positions: Yes",
                                        "Has UV1: Yes", "Has UV2: Yes", "Has UV3: No",
                                        "Has UV4: No", "Has Normals: No", "Has Tan and BiTan: No",
                                        "Has Vertex colors 1: No", "Has Vertex colors 2: Yes",
                                        "Has Vertex colors 3: No", "Has Vertex colors 4: No"}));
    EXPECT_EQ(lines[0].colour, Colour::Green);
    EXPECT_EQ(lines[11].colour, Colour::Yellow);
    EXPECT_EQ(lines[13].colour, Colour::Yes);
    EXPECT_EQ(lines[16].colour, Colour::No);
}

TEST_F(ModelSummaryTest, ImportedFileShowsNodeNamesAndBones)
{
    CModelImporter importer;
    const std::string path = kFbxDir + "huesitos.fbx";
    auto root = importer.ImportModel(path.c_str(), {}, kFbxDir, 0);
    ASSERT_NE(root, nullptr);
    const ModelSummary summary = SummariseModel(root.get(), std::nullopt);
    EXPECT_EQ(summary.animationCount, root->scene->mNumAnimations);
    EXPECT_EQ(summary.cameraCount, root->scene->mNumCameras);
    ASSERT_EQ(summary.meshes.size(), root->scene->mNumMeshes);
    EXPECT_EQ(summary.meshes[0].name, root->FirstMeshObject()->name);
    EXPECT_TRUE(summary.meshes[0].bones);
    EXPECT_TRUE(summary.meshes[0].tangentsAndBitangents);
}
