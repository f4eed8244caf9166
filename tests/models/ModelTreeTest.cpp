// The model tree: node building with LOD ranges, the draw with its LOD test, the tree-wide
// operations and their traversal orders, texture discovery, and the information dump.
#include <fstream>

#include "ModelTestSupport.h"
#include "models/MeshData.h"
#include "models/ModelImporter.h"
#include "models/ModelNode.h"
#include "textures/TextureRecord.h"

using namespace modeltest;

namespace {

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
        root->importContext->path = "/models/body.fbx";
        importer.BuildNodeTree(*root->importContext, *root, *scene.mRootNode);
        return root;
    }
    CModelImporter importer;
};

aiMetadata* LodMetadata(float start, float end)
{
    aiMetadata* metadata = aiMetadata::Alloc(2);
    metadata->Set(0, "LOD_distStart", start);
    metadata->Set(1, "LOD_distEnd", end);
    return metadata;
}

// Root -> Body_LOD_1 (mesh 0) with LOD range {10, 50}.
std::unique_ptr<aiScene> LodScene(aiMetadata* metadata)
{
    auto scene = MakeScene({MakeMesh(3)});
    AddNode(*scene->mRootNode, "Body_LOD_1", {0})->mMetaData = metadata;
    return scene;
}

std::optional<Float3> EyeAt(float distance)
{
    return Float3{0.0f, 0.0f, distance};
}

int CountDraws(CModelNode& root, const std::optional<Float3>& eye)
{
    int draws = 0;
    root.Draw(0.0f, eye, [&draws](CMeshObject&, float) { ++draws; });
    return draws;
}

// Gives every mesh object of the tree the counts a first draw would record.
void RecordCounts(CModelNode& root, uint32_t vertices, uint32_t indices)
{
    std::vector<CMeshObject*> meshObjects;
    root.CollectMeshObjects(meshObjects);
    for (CMeshObject* meshObject : meshObjects) {
        meshObject->vertexCount = vertices;
        meshObject->indexCount = indices;
    }
}

// A hand-built tree: root (r0, r1) with children first (f0, f1; child deep with d0) and
// second (s0).
struct NamedTree {
    explicit NamedTree(const CModelImporter* importer = nullptr)
    {
        root = std::make_unique<CModelNode>(importer, "");
        Add(*root, {"r0", "r1"});
        auto first = std::make_unique<CModelNode>(importer, "first");
        Add(*first, {"f0", "f1"});
        auto deep = std::make_unique<CModelNode>(importer, "deep");
        Add(*deep, {"d0"});
        first->children.push_back(std::move(deep));
        auto second = std::make_unique<CModelNode>(importer, "second");
        Add(*second, {"s0"});
        root->children.push_back(std::move(first));
        root->children.push_back(std::move(second));
    }
    static void Add(CModelNode& node, std::vector<std::string> names)
    {
        for (auto& name : names) {
            node.meshObjects.push_back(std::make_unique<CMeshObject>());
            node.meshObjects.back()->name = name;
        }
    }
    CMeshObject& Mesh(const std::string& name)
    {
        std::vector<CMeshObject*> all;
        root->CollectMeshObjects(all);
        for (CMeshObject* meshObject : all) {
            if (meshObject->name == name)
                return *meshObject;
        }
        throw std::runtime_error("no mesh object " + name);
    }
    template <typename Field>
    std::vector<std::string> NamesWhere(Field field)
    {
        std::vector<CMeshObject*> all;
        root->CollectMeshObjects(all);
        std::vector<std::string> names;
        for (CMeshObject* meshObject : all) {
            if (field(*meshObject))
                names.push_back(meshObject->name);
        }
        return names;
    }
    std::unique_ptr<CModelNode> root;
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(ModelTree, LodNodeIsDrawnOnlyWithinItsRange)
{
    auto scene = LodScene(LodMetadata(10.0f, 50.0f));
    auto root = BuildTree(*scene);
    ASSERT_EQ(root->children.size(), 1u);
    const CModelNode& lod = *root->children[0];
    ASSERT_NE(lod.lodRange, nullptr);
    EXPECT_EQ(lod.lodRange->start, 10.0f);
    EXPECT_EQ(lod.lodRange->end, 50.0f);

    EXPECT_EQ(CountDraws(*root, EyeAt(10.0f)), 0);
    EXPECT_EQ(CountDraws(*root, EyeAt(10.5f)), 1);
    EXPECT_EQ(CountDraws(*root, EyeAt(50.0f)), 1);
    EXPECT_EQ(CountDraws(*root, EyeAt(50.5f)), 0);
    EXPECT_EQ(CountDraws(*root, std::nullopt), 1);

    // The distance is measured from the root's translation.
    root->transform.m[3][2] = 40.0f;
    EXPECT_EQ(CountDraws(*root, EyeAt(50.5f)), 1);
    root->transform.m[3][2] = 0.0f;

    RecordCounts(*root, 3, 7);
    EXPECT_EQ(root->VertexCount(EyeAt(10.0f)), 0u);
    EXPECT_EQ(root->VertexCount(EyeAt(10.5f)), 3u);
    EXPECT_EQ(root->TriangleCount(EyeAt(50.0f)), 2u);  // 7 indices
    EXPECT_EQ(root->TriangleCount(EyeAt(50.5f)), 0u);
}

// The range comes from the node's own metadata, whatever was walked before; metadata of
// another type leaves it at {0, 0}, which hides the node from any eye but not from a draw
// without one.
TEST_F(ModelTree, LodRangeComesFromTheNodesOwnFloatMetadata)
{
    aiMetadata* metadata = aiMetadata::Alloc(2);
    metadata->Set(0, "LOD_distStart", 10.0);  // double, not float
    metadata->Set(1, "LOD_distEnd", int32_t(50));
    auto scene = MakeScene({MakeMesh(3), MakeMesh(3)});
    scene->mRootNode->mMetaData = nullptr;
    AddNode(*scene->mRootNode, "Plain", {0});  // entered first, carries no metadata
    AddNode(*scene->mRootNode, "Head_LOD_0", {1})->mMetaData = metadata;
    auto root = BuildTree(*scene);
    ASSERT_EQ(root->children.size(), 2u);
    EXPECT_EQ(root->children[0]->lodRange, nullptr);
    ASSERT_NE(root->children[1]->lodRange, nullptr);
    EXPECT_EQ(root->children[1]->lodRange->start, 0.0f);
    EXPECT_EQ(root->children[1]->lodRange->end, 0.0f);
    EXPECT_EQ(CountDraws(*root, EyeAt(0.0f)), 1) << "only the plain node";
    EXPECT_EQ(CountDraws(*root, std::nullopt), 2);
}

TEST_F(ModelTree, NodesWithoutMeshesMergeIntoTheirParent)
{
    auto scene = MakeScene({MakeMesh(3), MakeMesh(3), MakeMesh(3)});
    aiNode* group = AddNode(*scene->mRootNode, "Group");
    AddNode(*group, "Left", {0});
    aiNode* lodGroup = AddNode(*group, "Arm_LOD_2");  // a LOD node is kept even without meshes
    AddNode(*lodGroup, "Hand", {1, 2});
    auto root = BuildTree(*scene);
    ASSERT_EQ(root->children.size(), 2u);
    EXPECT_EQ(root->children[0]->name, "Left");
    EXPECT_EQ(root->children[1]->name, "Arm_LOD_2");
    EXPECT_EQ(root->children[1]->lodRange, nullptr);  // no metadata
    ASSERT_EQ(root->children[1]->children.size(), 1u);
    const CModelNode& hand = *root->children[1]->children[0];
    ASSERT_EQ(hand.meshObjects.size(), 2u);
    EXPECT_EQ(hand.meshObjects[1]->name, "Hand");
    EXPECT_EQ(std::string(scene->mMeshes[2]->mName.C_Str()), "Hand");
    EXPECT_TRUE(root->meshObjects.empty());
}

TEST_F(ModelTree, SceneWithoutChildrenOrMeshesGivesAnEmptyRoot)
{
    auto scene = MakeScene({});
    auto root = BuildTree(*scene);
    EXPECT_TRUE(root->children.empty() && root->meshObjects.empty());
    EXPECT_FALSE(root->HasAnyMesh());
    EXPECT_EQ(root->LargestBounds().radius, 0.0f);
}

TEST_F(ModelTree, DrawUsesTheRootTransformAndShaderForEveryNodeAndSkipsRefusedMeshes)
{
    aiMesh* empty = MakeMesh(3);
    empty->mNumVertices = 0;
    auto scene = MakeScene({MakeMesh(3), empty, MakeMesh(3)});
    aiNode* arm = AddNode(*scene->mRootNode, "Arm", {0, 1});
    AddNode(*arm, "Hand", {2});
    auto root = BuildTree(*scene);
    root->transform.m[3][0] = 5.0f;
    root->shaderName = "Model Albedo";
    root->children[0]->transform.m[3][1] = 99.0f;  // a child's own transform plays no part

    std::vector<CMeshObject*> drawn;
    root->Draw(0.25f, std::nullopt, [&](CMeshObject& meshObject, float time) {
        EXPECT_EQ(time, 0.25f);
        EXPECT_EQ(meshObject.worldMatrix, root->transform);
        EXPECT_EQ(meshObject.shaderName, "Model Albedo");
        drawn.push_back(&meshObject);
    });
    ASSERT_EQ(drawn.size(), 2u);  // the mesh without vertices is never handed to the draw
    EXPECT_EQ(drawn[0]->meshData->importedMesh, scene->mMeshes[0]);
    EXPECT_EQ(drawn[1]->meshData->importedMesh, scene->mMeshes[2]);
}

TEST_F(ModelTree, FirstChildChainOperationsSkipLaterChildren)
{
    NamedTree tree;
    tree.root->SetVertexColorMode(3);
    EXPECT_EQ(tree.NamesWhere([](CMeshObject& m) { return m.vertexColorMode == 3; }),
              (Names{"r0", "r1", "f0", "f1", "d0"}));
    EXPECT_EQ(tree.root->FirstMeshObject(), &tree.Mesh("r0"));
    tree.root->meshObjects.clear();
    EXPECT_EQ(tree.root->FirstMeshObject(), &tree.Mesh("f0"));

    tree.root->SetTextureUvSet(2, 1);
    tree.root->SetTextureUvSet(32, 1);  // no such slot: skipped
    tree.root->SetTextureUvSet(-1, 1);
    EXPECT_EQ(tree.NamesWhere([](CMeshObject& m) { return m.textureSlots[0][2].uvSet == 1; }),
              (Names{"f0", "f1", "d0"}));
    EXPECT_EQ(tree.Mesh("f0").textureSlots[1][2].uvSet, 0u);  // block 0 only
}

TEST_F(ModelTree, HoldsFileTextureLooksAtBlockZeroAlongTheFirstChildChain)
{
    NamedTree tree;
    auto builtIn = std::make_shared<TextureRecord>();
    auto fromFile = std::make_shared<TextureRecord>();
    builtIn->isBuiltIn = 1;
    tree.Mesh("r0").textureSlots[0][0].texture = builtIn;
    EXPECT_FALSE(tree.root->HoldsFileTexture(0));
    tree.Mesh("s0").textureSlots[0][0].texture = fromFile;  // second child: not searched
    tree.Mesh("f1").textureSlots[1][0].texture = fromFile;  // block 1: not searched
    EXPECT_FALSE(tree.root->HoldsFileTexture(0));
    tree.Mesh("d0").textureSlots[0][0].texture = fromFile;
    EXPECT_TRUE(tree.root->HoldsFileTexture(0));
    EXPECT_FALSE(tree.root->HoldsFileTexture(1));
    EXPECT_FALSE(tree.root->HoldsFileTexture(40));
}

TEST_F(ModelTree, AllNodeOperationsReachEveryNodeAndFirstMeshOnesOnlyTheFirst)
{
    NamedTree tree;
    EXPECT_EQ(tree.NamesWhere([](CMeshObject&) { return true; }),
              (Names{"r0", "r1", "f0", "f1", "d0", "s0"}));  // node first, then children
    tree.root->SetBlendValue(0.5f);
    EXPECT_EQ(tree.NamesWhere([](CMeshObject& m) { return m.blendValue == 0.5f; }).size(), 6u);

    tree.root->SetRotation(true, false, false);
    EXPECT_EQ(tree.NamesWhere([](CMeshObject& m) { return m.rotationSwitches[0] == 1.0f; }),
              (Names{"r0", "f0", "d0", "s0"}));
    EXPECT_EQ(tree.Mesh("r0").rotationSwitches, (Float3{1, 0, 0}));

    tree.root->SetAnimationSpeed(40);
    EXPECT_EQ(tree.NamesWhere([](CMeshObject& m) { return m.animationSpeed == 40; }),
              (Names{"r0", "f0", "d0", "s0"}));
    EXPECT_EQ(tree.Mesh("r1").animationSpeed, 100);
}

TEST_F(ModelTree, LargestBoundsKeepTheFirstOfEqualRadii)
{
    NamedTree tree;
    auto bounds = [&tree](const std::string& name, float radius, float x) {
        auto mesh = std::make_unique<MeshData>();
        mesh->boundsRadius = radius;
        mesh->boundsCentre = {x, 0, 0};
        tree.Mesh(name).meshData = std::move(mesh);
    };
    bounds("r1", 2.0f, 1.0f);
    bounds("d0", 3.0f, 2.0f);
    bounds("s0", 3.0f, 3.0f);
    const CModelNode::Bounds largest = tree.root->LargestBounds();
    EXPECT_EQ(largest.radius, 3.0f);
    EXPECT_EQ(largest.centre, (Float3{2, 0, 0}));
}

TEST_F(ModelTree, ChangedModelFileAsksForADeferredReload)
{
    int reloads = 0;
    CModelImporter importer;
    importer.animationHooks.reloadAnimationSet = [&reloads](AnimationSet&, const std::string&) {
        ++reloads;
    };
    NamedTree tree(&importer);
    tree.Mesh("d0").modelPath = "/models/body.fbx";
    int stand = 0;  // the set itself belongs to the animation side
    std::shared_ptr<AnimationSet> set(reinterpret_cast<AnimationSet*>(&stand),
                                      [](AnimationSet*) {});
    tree.Mesh("d0").animationSet = set;
    tree.Mesh("s0").animationSet = set;

    EXPECT_FALSE(tree.root->OnFileChanged("/models/walk.fbx"));
    EXPECT_EQ(reloads, 2);

    EXPECT_TRUE(tree.root->OnFileChanged("/models/body.fbx"));
    EXPECT_EQ(reloads, 3);  // only s0's node asked for no reload
}

TEST_F(ModelTree, DumpModelInformationSaysWhenThereIsNothingToShow)
{
    std::vector<std::string> boxes;
    auto box = [&boxes](const std::string& title, const std::string& text) {
        boxes.push_back(title + "|" + text);
    };
    EXPECT_EQ(DumpModelInformation(nullptr, box), 1);
    NamedTree tree;
    EXPECT_EQ(DumpModelInformation(tree.root.get(), box), 2);
    tree.root->meshObjects.clear();
    EXPECT_EQ(DumpModelInformation(tree.root.get(), box), 1);  // meshes below the root
    CModelNode empty(nullptr, "");
    EXPECT_EQ(DumpModelInformation(&empty, box), 1);
    EXPECT_EQ(boxes,
              (Names{"ModelInfo|No model found ;( ", "ModelInfo|No mesh found in model ;( "}));
}

namespace {

// A texture source that hands out one record per load and remembers what it loaded.
// Discovered files ending in ".bak" stand for files that are no image.
struct FakeTextureSource {
    FakeTextureSource()
    {
        source.loadTexture = [this](const std::filesystem::path& path) {
            records.push_back(std::make_shared<TextureRecord>());
            records.back()->name = path;
            return records.back();
        };
        source.loadDiscoveredTexture = [this](const std::filesystem::path& path) {
            return path.extension() == ".bak" ? nullptr : source.loadTexture(path);
        };
        source.shareLoads = [this](bool on) { shareSwitches.push_back(on); };
        source.whiteSquare = white;
        source.blackSquare = black;
        source.errorTexture = error;
        source.defaultNormalMap = normal;
    }
    std::filesystem::path Name(const TextureHandle& record) const
    {
        return record ? record->name : "-";
    }
    ModelTextureSource source;
    std::vector<TextureHandle> records;
    std::vector<bool> shareSwitches;
    TextureHandle white = std::make_shared<TextureRecord>();
    TextureHandle black = std::make_shared<TextureRecord>();
    TextureHandle error = std::make_shared<TextureRecord>();
    TextureHandle normal = std::make_shared<TextureRecord>();
};

}  // namespace

TEST_F(ModelTree, TexturesNamedAfterTheMeshFillTheirSlotsInEveryBlock)
{
    // The first folder's name holds both mesh names: only file names may count. Names are
    // bytes: a folder's name need not be UTF-8, and a backslash is part of a name.
    for (const char* folder : {"body_and_head", "caf\xE9 \xFF", "back\\slash"}) {
        SCOPED_TRACE(folder);
        const std::filesystem::path dir = TempDirectory("discovery") + "/" + folder;
        std::filesystem::create_directories(dir);
        for (const char* file :
             {"body_D.tga", "body_D.bak", "body_n.dds", "bodyDN.exr", "head_M.dds", "body.txt"})
            std::ofstream(dir / file) << "x";
        FakeTextureSource fake;
        CMeshObject body;
        body.name = "body";
        DiscoverMeshTextures(body, fake.source, dir.string());
        for (const TextureBlock& block : body.textureSlots) {
            EXPECT_EQ(fake.Name(block[kAlbedoSlot].texture).native(),
                      (dir / "body_D.tga").native());
            EXPECT_EQ(block[kMaterialSlot].texture, fake.black);  // head_M is not body's
            EXPECT_EQ(fake.Name(block[kNormalSlot].texture), dir / "body_n.dds");
            EXPECT_EQ(fake.Name(block[kFourthNormalSlot].texture), dir / "bodyDN.exr");
        }
        EXPECT_EQ(fake.records.size(), 3u) << "one record per file for all blocks";

        // No file named after the mesh: every texture file counts.
        CMeshObject other;
        other.name = "wheel";
        DiscoverMeshTextures(other, fake.source, dir.string());
        EXPECT_EQ(fake.Name(other.textureSlots[7][kMaterialSlot].texture), dir / "head_M.dds");
        EXPECT_EQ(fake.Name(other.textureSlots[7][kAlbedoSlot].texture), dir / "body_D.tga");
        std::filesystem::remove_all(dir);
    }
    const std::string dir = TempDirectory("discovery") + "/body_and_head";
    FakeTextureSource fake;

    // An empty directory leaves the built-ins.
    CMeshObject lonely;
    lonely.name = "body";
    DiscoverMeshTextures(lonely, fake.source, dir + "/nothing");
    EXPECT_EQ(lonely.textureSlots[3][kAlbedoSlot].texture, fake.error);
    EXPECT_EQ(lonely.textureSlots[3][kFourthNormalSlot].texture, fake.normal);
    std::filesystem::remove_all(std::filesystem::path(dir).parent_path());
}

TEST_F(ModelTree, ImportFindsTexturesOnlyThroughAnInstalledSource)
{
    CModelImporter importer;
    const std::string path = kFbxDir + "spider.fbx";
    auto bare = importer.ImportModel(path.c_str(), {}, kFbxDir, 0);
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->FirstMeshObject()->textureSlots[0][kAlbedoSlot].texture, nullptr);

    FakeTextureSource fake;
    importer.textureSource = &fake.source;
    auto textured = importer.ImportModel(path.c_str(), {}, kFbxDir, 0);
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
