// What the extended model information shows about the imported scene.
#include "ModelTestSupport.h"
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

// The information window's text for no model, for a model without a scene (what a failed
// import leaves), and for each mesh of a scene: what it holds and what it lacks.
TEST_F(ModelSummaryTest, LinesSayWhatTheModelHoldsAndWhatItLacks)
{
    const auto none = ModelInfoLines(SummariseModel(nullptr, std::nullopt));
    ASSERT_EQ(none.size(), 1u);
    EXPECT_EQ(none[0].text, "No model with meshes loaded");
    EXPECT_EQ(none[0].colour, Colour::Red);

    CModelNode root(nullptr, "");
    root.meshObjects.push_back(std::make_unique<CMeshObject>());
    root.meshObjects[0]->vertexCount = 12;
    root.meshObjects[0]->indexCount = 7;
    EXPECT_EQ(
        Texts(ModelInfoLines(SummariseModel(&root, std::nullopt))),
        (std::vector<std::string>{"Basic scene information", "Vertex count: 12", "Index count: 2",
                                  "No scene was loaded at all, wrong fbx version?"}));

    aiMesh* mesh = MakeMesh(3);
    mesh->mName = aiString("");
    mesh->mTextureCoords[1] = FilledVectors(3, {0, 0, 0});
    mesh->mTangents = FilledVectors(3, {1, 0, 0});  // no bitangents
    mesh->mColors[1] = new aiColor4D[3];
    SetBones(*mesh, {{"hip", {{0, 1.0f}}}});
    auto scene = MakeScene({mesh}, 2);
    root.scene = scene.get();
    const auto lines = ModelInfoLines(SummariseModel(&root, std::nullopt));
    const std::vector<std::string> texts = Texts(lines);
    ASSERT_EQ(texts.size(), 25u);
    EXPECT_EQ(texts[7], "Numer of materials: 2");
    EXPECT_EQ(std::vector<std::string>(texts.begin() + 11, texts.end()),
              (std::vector<std::string>{
                  ">Mesh: 1", "Name: N/A", "Has Positions: Yes", "Has UV1: Yes", "Has UV2: Yes",
                  "Has UV3: No", "Has UV4: No", "Has Normals: No", "Has Tan and BiTan: No",
                  "Has Vertex colors 1: No", "Has Vertex colors 2: Yes", "Has Vertex colors 3: No",
                  "Has Vertex colors 4: No", "Has bones: Yes"}));
    EXPECT_EQ(lines[11].colour, Colour::Yellow);
    EXPECT_EQ(lines[13].colour, Colour::Yes);
    EXPECT_EQ(lines[16].colour, Colour::No);
}
