// The model tree: node building with LOD ranges, the draw with its LOD test, the tree-wide
// operations and their traversal orders, texture discovery, and the information shown.
#include <tuple>

#include "ModelTestSupport.h"
#include "models/MeshData.h"
#include "models/ModelImporter.h"
#include "models/ModelSummary.h"

using namespace modeltest;

namespace {

using Names = std::vector<std::string>;

class ModelTree : public ModelTest {
   protected:
    // Builds the tree of an in-memory scene as an import would, without a file.
    std::unique_ptr<CModelNode> BuildTree(const aiScene& scene)
    {
        auto root = std::make_unique<CModelNode>(&importer, "");
        root->isRoot = 1;
        root->scene = &scene;
        root->importContext = std::make_unique<ModelImportContext>();
        root->importContext->scene = Borrow(scene);
        importer.BuildNodeTree(*root->importContext, *root, *scene.mRootNode);
        return root;
    }
    CModelImporter importer;
};

// The names of the meshes a draw from `eye` hands over.
Names Drawn(CModelNode& root, const std::optional<Float3>& eye)
{
    Names names;
    root.Draw(0.0f, eye,
              [&names](CMeshObject& meshObject, float) { names.push_back(meshObject.name); });
    return names;
}

// The texts of the information window's lines.
Names Texts(const std::vector<ModelInfoLine>& lines)
{
    Names texts;
    for (const ModelInfoLine& line : lines)
        texts.push_back(line.text);
    return texts;
}

}  // namespace

// A range comes from the node's own float metadata, whatever was walked before: metadata of
// another type gives {0, 0}, which hides the node from any eye but not from a draw without
// one. The distance is measured from the root's translation.
TEST_F(ModelTree, LodNodesAreDrawnAndCountedOnlyWithinTheirRange)
{
    aiMetadata* floats = aiMetadata::Alloc(2);
    floats->Set(0, "LOD_distStart", 10.0f);
    floats->Set(1, "LOD_distEnd", 50.0f);
    aiMetadata* others = aiMetadata::Alloc(2);
    others->Set(0, "LOD_distStart", 10.0);  // double, not float
    others->Set(1, "LOD_distEnd", int32_t(50));
    auto scene = MakeScene({MakeMesh(3), MakeMesh(3), MakeMesh(3)});
    AddNode(*scene->mRootNode, "Plain", {0});
    AddNode(*scene->mRootNode, "Body_LOD_1", {1})->mMetaData = floats;
    AddNode(*scene->mRootNode, "Head_LOD_0", {2})->mMetaData = others;
    auto root = BuildTree(*scene);
    ASSERT_EQ(root->children.size(), 3u);
    for (auto& child : root->children)
        child->meshObjects[0]->vertexCount = 3, child->meshObjects[0]->indexCount = 7;

    const struct {
        std::optional<Float3> eye;
        float rootZ;
        Names drawn;
    } rows[] = {
        {std::nullopt, 0.0f, {"Plain", "Body_LOD_1", "Head_LOD_0"}},
        {Float3{0, 0, 10.0f}, 0.0f, {"Plain"}},
        {Float3{0, 0, 10.5f}, 0.0f, {"Plain", "Body_LOD_1"}},
        {Float3{0, 0, 50.0f}, 0.0f, {"Plain", "Body_LOD_1"}},
        {Float3{0, 0, 50.5f}, 0.0f, {"Plain"}},
        {Float3{0, 0, 50.5f}, 40.0f, {"Plain", "Body_LOD_1"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.drawn));
        root->transform.m[3][2] = row.rootZ;
        EXPECT_EQ(Drawn(*root, row.eye), row.drawn);
        EXPECT_EQ(root->VertexCount(row.eye), 3 * row.drawn.size());
        EXPECT_EQ(root->TriangleCount(row.eye), 7 * row.drawn.size() / 3);
    }
}

TEST_F(ModelTree, MeshlessNodesMergeIntoTheirParentAndEveryNodeDrawsWithTheRootsState)
{
    aiMesh* empty = MakeMesh(3);
    empty->mNumVertices = 0;
    auto scene = MakeScene({MakeMesh(3), MakeMesh(3), empty});
    aiNode* group = AddNode(*scene->mRootNode, "Group");
    AddNode(*group, "Left", {0});
    AddNode(*AddNode(*group, "Arm_LOD_2"), "Hand", {1, 2});  // a LOD node stays, meshes or not
    auto root = BuildTree(*scene);
    ASSERT_EQ(root->children.size(), 2u);
    EXPECT_EQ(root->children[0]->name, "Left");
    EXPECT_EQ(root->children[1]->name, "Arm_LOD_2");
    ASSERT_EQ(root->children[1]->children.size(), 1u);
    EXPECT_EQ(root->children[1]->children[0]->meshObjects.size(), 2u);
    EXPECT_TRUE(root->meshObjects.empty());

    root->transform.m[3][0] = 5.0f;
    root->shaderName = "Model Albedo";
    root->children[0]->transform.m[3][1] = 99.0f;  // a child's own transform plays no part
    std::vector<const aiMesh*> drawn;
    root->Draw(0.25f, std::nullopt, [&](CMeshObject& meshObject, float time) {
        EXPECT_EQ(time, 0.25f);
        EXPECT_EQ(meshObject.worldMatrix, root->transform);
        EXPECT_EQ(meshObject.shaderName, "Model Albedo");
        drawn.push_back(meshObject.meshData->importedMesh);
    });
    // The mesh without vertices is never handed to the draw.
    EXPECT_EQ(drawn, (std::vector<const aiMesh*>{scene->mMeshes[0], scene->mMeshes[1]}));

    EXPECT_FALSE(BuildTree(*MakeScene({}))->HasAnyMesh());
}

// Some operations and queries follow the first child of every node only, some reach every
// node, and some of those only the node's first mesh object. Of equal bounds the first
// found counts. A changed file reloads every animation set; the model's own file asks for
// a deferred reload of the model instead.
TEST_F(ModelTree, EachOperationAndQueryReachesItsOwnPartOfTheTree)
{
    NamedTree tree(&importer);
    tree.root->SetVertexColorMode(3);
    tree.root->SetTextureUvSet(2, 1);
    tree.root->SetTextureUvSet(32, 1);  // no such slot: skipped
    tree.root->SetTextureUvSet(-1, 1);
    tree.root->SetBlendValue(0.5f);
    tree.root->SetAnimationSpeed(40);
    const Names firstChain = {"r0", "r1", "f0", "f1", "d0"};
    EXPECT_EQ(tree.NamesWhere([](auto& m) { return m.vertexColorMode == 3; }), firstChain);
    EXPECT_EQ(tree.NamesWhere([](auto& m) { return m.textureSlots[0][2].uvSet == 1; }), firstChain);
    EXPECT_EQ(tree.Mesh("r0").textureSlots[1][2].uvSet, 0u);  // block 0 only
    EXPECT_EQ(tree.NamesWhere([](auto& m) { return m.blendValue == 0.5f; }).size(), 6u);
    EXPECT_EQ(tree.NamesWhere([](auto& m) { return m.animationSpeed == 40; }),
              (Names{"r0", "f0", "d0", "s0"}));

    auto builtIn = std::make_shared<TextureRecord>();
    auto fromFile = std::make_shared<TextureRecord>();
    builtIn->isBuiltIn = 1;
    tree.Mesh("r0").textureSlots[0][0].texture = builtIn;
    tree.Mesh("s0").textureSlots[0][0].texture = fromFile;  // second child: not searched
    tree.Mesh("f1").textureSlots[1][0].texture = fromFile;  // block 1: not searched
    EXPECT_FALSE(tree.root->HoldsFileTexture(0));
    tree.Mesh("d0").textureSlots[0][0].texture = fromFile;
    EXPECT_TRUE(tree.root->HoldsFileTexture(0));
    EXPECT_FALSE(tree.root->HoldsFileTexture(40));

    for (const auto& [name, radius, x] :
         {std::tuple{"r1", 2.0f, 1.0f}, {"d0", 3.0f, 2.0f}, {"s0", 3.0f, 3.0f}}) {
        auto mesh = std::make_shared<MeshData>();
        mesh->boxMin = {x - radius, -radius, 0};
        mesh->boxMax = {x + radius, radius, 0};
        tree.Mesh(name).meshData = mesh;
    }
    EXPECT_EQ(tree.root->LargestBounds().centre, (Float3{2, 0, 0}));

    int reloads = 0;
    importer.animationHooks.reloadAnimationSet = [&reloads](AnimationSet&, const std::string&) {
        ++reloads;
    };
    tree.Mesh("d0").modelPath = "/models/body.fbx";
    int stand = 0;  // the set itself belongs to the animation side
    std::shared_ptr<AnimationSet> set(reinterpret_cast<AnimationSet*>(&stand),
                                      [](AnimationSet*) {});
    tree.Mesh("d0").animationSet = tree.Mesh("s0").animationSet = set;
    EXPECT_FALSE(tree.root->OnFileChanged("/models/walk.fbx"));
    EXPECT_EQ(reloads, 2);
    EXPECT_TRUE(tree.root->OnFileChanged("/models/body.fbx"));
    EXPECT_EQ(reloads, 3);  // only s0's node asked for no reload

    EXPECT_EQ(tree.root->FirstMeshObject(), &tree.Mesh("r0"));
    tree.root->meshObjects.clear();
    EXPECT_EQ(tree.root->FirstMeshObject(), &tree.Mesh("f0"));
}

// The information window's text for no model, for a model without a scene (what a failed
// import leaves), and for each mesh of a scene: what it holds and what it lacks. The dump
// says when there is nothing to show.
TEST_F(ModelTree, SummaryLinesSayWhatTheModelHoldsAndWhatItLacks)
{
    Names boxes;
    auto box = [&boxes](const std::string& title, const std::string& text) {
        boxes.push_back(title + "|" + text);
    };
    EXPECT_EQ(DumpModelInformation(nullptr, box), 1);
    NamedTree tree;
    EXPECT_EQ(DumpModelInformation(tree.root.get(), box), 2);
    tree.root->meshObjects.clear();
    EXPECT_EQ(DumpModelInformation(tree.root.get(), box), 1);  // meshes below the root
    CModelNode root(nullptr, "");
    EXPECT_EQ(DumpModelInformation(&root, box), 1);
    EXPECT_EQ(boxes,
              (Names{"ModelInfo|No model found ;( ", "ModelInfo|No mesh found in model ;( "}));

    const auto none = ModelInfoLines(SummariseModel(nullptr, std::nullopt));
    ASSERT_EQ(none.size(), 1u);
    EXPECT_EQ(none[0].text, "No model with meshes loaded");
    EXPECT_EQ(none[0].colour, ModelInfoLine::Colour::Red);

    root.meshObjects.push_back(std::make_unique<CMeshObject>());
    root.meshObjects[0]->vertexCount = 12;
    root.meshObjects[0]->indexCount = 7;
    EXPECT_EQ(Texts(ModelInfoLines(SummariseModel(&root, std::nullopt))),
              (Names{"Basic scene information", "Vertex count: 12", "Index count: 2",
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
    const Names texts = Texts(lines);
    ASSERT_EQ(texts.size(), 25u);
    EXPECT_EQ(texts[7], "Numer of materials: 2");
    EXPECT_EQ(Names(texts.begin() + 11, texts.end()),
              (Names{">Mesh: 1", "Name: N/A", "Has Positions: Yes", "Has UV1: Yes", "Has UV2: Yes",
                     "Has UV3: No", "Has UV4: No", "Has Normals: No", "Has Tan and BiTan: No",
                     "Has Vertex colors 1: No", "Has Vertex colors 2: Yes",
                     "Has Vertex colors 3: No", "Has Vertex colors 4: No", "Has bones: Yes"}));
    EXPECT_EQ(lines[11].colour, ModelInfoLine::Colour::Yellow);
    EXPECT_EQ(lines[13].colour, ModelInfoLine::Colour::Yes);
    EXPECT_EQ(lines[16].colour, ModelInfoLine::Colour::No);
}

// Only file names count: the first folder's name holds both mesh names. Names are bytes:
// a folder's name need not be UTF-8, and a backslash is part of a name. An import, and a
// texture assigned to the whole model, load each file once for all its meshes.
TEST_F(ModelTree, TexturesNamedAfterTheMeshFillTheirSlotsAndEachFileLoadsOnce)
{
    for (const std::string folder : {"body_and_head", "caf\xE9 \xFF", "back\\slash"}) {
        SCOPED_TRACE(folder);
        const std::filesystem::path dir = scratch / folder;
        for (const char* file :
             {"body_D.tga", "body_D.bak", "body_n.dds", "bodyDN.exr", "head_M.dds", "body.txt"})
            scratch.Write(folder + "/" + file, "x");
        FakeTextureSource fake;
        CMeshObject body, wheel, lonely;
        body.name = lonely.name = "body";
        wheel.name = "wheel";
        DiscoverMeshTextures(body, fake.source, dir.string());
        for (const TextureBlock& block : body.textureSlots) {
            EXPECT_EQ(fake.Name(block[kAlbedoSlot].texture).native(),
                      (dir / "body_D.tga").native());
            EXPECT_EQ(block[kMaterialSlot].texture, fake.source.blackSquare);  // head_M: not body's
            EXPECT_EQ(fake.Name(block[kNormalSlot].texture), dir / "body_n.dds");
            EXPECT_EQ(fake.Name(block[kFourthNormalSlot].texture), dir / "bodyDN.exr");
        }
        EXPECT_EQ(fake.records.size(), 3u) << "one record per file for all blocks";

        // No file named after the mesh: every texture file counts.
        DiscoverMeshTextures(wheel, fake.source, dir.string());
        EXPECT_EQ(fake.Name(wheel.textureSlots[7][kMaterialSlot].texture), dir / "head_M.dds");
        EXPECT_EQ(fake.Name(wheel.textureSlots[7][kAlbedoSlot].texture), dir / "body_D.tga");

        // A folder without files leaves the built-ins.
        DiscoverMeshTextures(lonely, fake.source, (dir / "nothing").string());
        EXPECT_EQ(lonely.textureSlots[3][kAlbedoSlot].texture, fake.source.errorTexture);
        EXPECT_EQ(lonely.textureSlots[3][kFourthNormalSlot].texture, fake.source.defaultNormalMap);
    }

    FakeTextureSource fake;
    importer.textureSource = &fake.source;
    auto textured = importer.ImportModel((kFbxDir + "spider.fbx").c_str(), {}, kFbxDir, 0);
    ASSERT_NE(textured, nullptr);
    EXPECT_EQ(fake.shareSwitches, (std::vector<bool>{true, false}));
    EXPECT_NE(textured->FirstMeshObject()->textureSlots[0][kAlbedoSlot].texture, nullptr);

    textured->SetExtraTexture("/art/custom.dds", 4);
    textured->SetExtraTexture("/art/ignored.dds", 5);
    EXPECT_EQ(fake.Name(textured->FirstMeshObject()->extraTextures[4]), "/art/custom.dds");

    const size_t loads = fake.records.size();
    textured->AssignTexture(kMaterialSlot, "/art/rough.dds");
    EXPECT_EQ(fake.records.size(), loads + 1) << "one load for every mesh object and block";
    std::vector<CMeshObject*> meshObjects;
    textured->CollectMeshObjects(meshObjects);
    for (CMeshObject* meshObject : meshObjects)
        EXPECT_EQ(meshObject->textureSlots[5][kMaterialSlot].texture, fake.records.back());
}
