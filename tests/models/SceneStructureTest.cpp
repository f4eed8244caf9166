// Models drawn as their authors built them: generated FBX files (binary and ASCII) with node
// transforms and pivots, instances, skins under transformed armatures, takes, node animation,
// skeletons without mesh and textures in texture folders. Where every vertex should stand is
// computed from the file's own description (FbxTreeWriter.h), apart from the engine.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <set>

#include "FbxTreeWriter.h"
#include "ModelTestSupport.h"
#include "animation/AnimationHooks.h"
#include "animation/AnimationQueries.h"
#include "animation/ClipImport.h"
#include "models/LibraryImport.h"
#include "models/ModelImporter.h"
#include "models/ModelNode.h"
#include "models/SceneTreeRows.h"
#include "scene/InspectionGeometry.h"
#include "scene/ModelFraming.h"

using namespace modeltest;
using assets::FbxEncoding;
using assets::FbxTree;
using assets::Vec3;

namespace {

// The viewer's space is the file's mirrored in z (it imports left-handed).
Float3 InViewerSpace(Vec3 p)
{
    return {p.x, p.y, -p.z};
}

// Every point of `actual` has one of `expected` within `tolerance`, and the other way round.
void ExpectSamePoints(const std::vector<Float3>& actual, const std::vector<Float3>& expected,
                      float tolerance)
{
    ASSERT_FALSE(actual.empty());
    const auto nearest = [](const Float3& p, const std::vector<Float3>& set) {
        float best = INFINITY;
        for (const Float3& q : set)
            best = std::min(best, std::hypot(p[0] - q[0], p[1] - q[1], p[2] - q[2]));
        return best;
    };
    for (const Float3& p : actual)
        ASSERT_LT(nearest(p, expected), tolerance)
            << "drawn at (" << p[0] << ", " << p[1] << ", " << p[2] << ")";
    for (const Float3& q : expected)
        ASSERT_LT(nearest(q, actual), tolerance)
            << "nothing drawn at (" << q[0] << ", " << q[1] << ", " << q[2] << ")";
}

// Where the file places every vertex of its meshes (unskinned) in `take` at `seconds`.
std::vector<Float3> AuthoredPositions(const FbxTree& tree, const assets::FbxTake* take = nullptr,
                                      double seconds = 0)
{
    std::vector<Float3> points;
    for (size_t n = 0; n < tree.nodes.size(); ++n) {
        if (tree.nodes[n].mesh < 0)
            continue;
        const assets::FbxMatrix global = GlobalTransform(tree, static_cast<int>(n), take, seconds);
        for (const Vec3& p : tree.meshes[tree.nodes[n].mesh].positions)
            points.push_back(InViewerSpace(Apply(global, p)));
    }
    return points;
}

// Keys once per frame at 24 frames a second, the way exporters bake takes (the viewer takes
// a clip to hold one key per tick), moving linearly from `from` to `to` over `seconds`.
assets::FbxChannel Baked(int node, char property, Vec3 from, Vec3 to, double seconds)
{
    assets::FbxChannel channel{node, property, {}};
    const int frames = static_cast<int>(std::lround(seconds * 24));
    for (int f = 0; f <= frames; ++f) {
        const float t = static_cast<float>(f) / static_cast<float>(frames);
        channel.keys.push_back({f / 24.0, from + (to - from) * t});
    }
    return channel;
}

// A box with half extents `half` in x, y and z.
assets::MeshGeometry Box(Vec3 centre, Vec3 half)
{
    assets::MeshGeometry box;
    for (int axis = 0; axis < 3; ++axis)
        for (float side : {-1.0f, 1.0f}) {
            Vec3 n{}, u{}, v{};
            (axis == 0   ? n.x
             : axis == 1 ? n.y
                         : n.z) = side * (axis == 0   ? half.x
                                          : axis == 1 ? half.y
                                                      : half.z);
            (axis == 0   ? u.y
             : axis == 1 ? u.z
                         : u.x) = axis == 0   ? half.y
                                  : axis == 1 ? half.z
                                              : half.x;
            (axis == 0   ? v.z
             : axis == 1 ? v.x
                         : v.y) = side * (axis == 0   ? half.z
                                          : axis == 1 ? half.x
                                                      : half.y);
            assets::AddPatch(box, centre + n, u, v, 1, 1);
        }
    return box;
}

assets::MeshGeometry Box(Vec3 centre, float half)
{
    return Box(centre, Vec3{half, half, half});
}

class SceneStructure : public ModelTest {
   protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        importer.animationHooks = MakeAnimationHooks(services);
    }

    std::unique_ptr<CModelNode> WriteAndImport(
        const FbxTree& tree, FbxEncoding encoding, const std::string& name = "model.fbx",
        AnimationOnlyFile animationOnly = AnimationOnlyFile::HandToShownModel)
    {
        path = (scratch / name).string();
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        EXPECT_EQ(WriteFbxTree(path, tree, encoding), "");
        return importer.ImportModel(path, nullptr, std::filesystem::path(path).parent_path(), 0,
                                    true, animationOnly);
    }

    static std::vector<CMeshObject*> MeshObjects(const CModelNode& model)
    {
        std::vector<CMeshObject*> all;
        model.CollectMeshObjects(all);
        return all;
    }

    CModelImporter importer;
    AnimationServices services;
    std::string path;
};

// A table placed by a group (rotated, scaled, with pivots and a pre-rotation), its top
// scaled unevenly, a leg under the top, and one mesh placed by two nodes.
FbxTree ParentedProp()
{
    FbxTree tree;
    tree.meshes = {Box({0, 0, 0}, 1), Box({0, -1, 0}, 1), {}};
    assets::AddSphere(tree.meshes[2], {0, 1, 0}, 1, 8, 4);
    tree.materials = {{"Wood"}};
    tree.nodes = {
        {"Group", -1, {{10, 0, 0}, {0, 0, 30}, {2, 2, 2}, {1, 0, 0}, {0, 1, 0}, {0, 90, 0}}},
        {"Top", 0, {{0, 5, 0}, {}, {3, 0.5f, 1}}, 0, 0},
        {"Leg", 1, {{1, -2, 0}, {20, 0, 0}}, 1, 0},
        {"TeapotA", -1, {{-5, 0, 0}}, 2, 0},
        {"TeapotB", -1, {{5, 0, 2}, {0, 45, 0}, {0.5f, 0.5f, 0.5f}}, 2, 0},
    };
    return tree;
}

TEST_F(SceneStructure, EveryMeshStandsWhereItsNodesPlaceItAndInstancesShareTheirMesh)
{
    const FbxTree tree = ParentedProp();
    for (FbxEncoding encoding : {FbxEncoding::Binary, FbxEncoding::Ascii}) {
        SCOPED_TRACE(encoding == FbxEncoding::Binary ? "binary" : "ASCII");
        std::unique_ptr<CModelNode> model = WriteAndImport(tree, encoding);
        ASSERT_NE(model, nullptr);
        ExpectSamePoints(DrawnPositions(*model), AuthoredPositions(tree), 1e-4f * 30);

        const std::vector<CMeshObject*> meshes = MeshObjects(*model);
        ASSERT_EQ(meshes.size(), 4u);
        const auto named = [&](const std::string& name) {
            return *std::find_if(meshes.begin(), meshes.end(),
                                 [&](CMeshObject* m) { return m->name == name; });
        };
        EXPECT_EQ(named("TeapotA")->meshData, named("TeapotB")->meshData) << "built once";

        // The viewer frames the largest mesh as it stands in the world, its box stretched,
        // sheared, turned and scaled by the nodes (radius: the larger half extent in x and y;
        // the boxes of the top and the leg are their corners).
        float largest = 0.0f;
        for (int node : {1, 2}) {
            float low[2] = {INFINITY, INFINITY}, high[2] = {-INFINITY, -INFINITY};
            for (const Vec3& p : tree.meshes[tree.nodes[node].mesh].positions)
                for (int axis = 0; axis < 2; ++axis) {
                    const float v = InViewerSpace(Apply(GlobalTransform(tree, node), p))[axis];
                    low[axis] = std::min(low[axis], v);
                    high[axis] = std::max(high[axis], v);
                }
            largest = std::max(largest, std::max(high[0] - low[0], high[1] - low[1]) / 2);
        }
        EXPECT_NEAR(model->LargestBounds().radius, largest, 1e-3f);
    }
}

// A strip skinned to two bones of an armature that a unit-scale node and the armature itself
// rotate and scale unevenly; the strip's own node is moved and turned too.
FbxTree SkinnedStrip()
{
    FbxTree tree;
    tree.meshes.resize(1);
    assets::AddPatch(tree.meshes[0], {0, 30, 0}, {5, 0, 0}, {0, 40, 0}, 1, 4);
    tree.materials = {{"Skin"}};
    tree.nodes = {
        {"Units", -1, {{}, {}, {0.01f, 0.01f, 0.01f}}},
        {"Armature", 0, {{100, 0, 0}, {0, 0, 40}, {2, 1, 1.5f}}},
        {"Hip", 1, {{0, 50, 0}}, -1, -1, true},
        {"Knee", 2, {{0, -40, 0}}, -1, -1, true},
        {"Body", 1, {{10, 0, 5}, {0, 30, 0}}, 0, 0},
    };
    assets::FbxTreeSkin skin{4, {{2, {}, {}}, {3, {}, {}}}};
    const std::vector<Vec3>& positions = tree.meshes[0].positions;
    for (int32_t v = 0; v < static_cast<int32_t>(positions.size()); ++v) {
        const float y = positions[v].y;
        const double hip = y >= 45 ? 1.0 : y <= 15 ? 0.0 : 0.5;
        for (auto [cluster, weight] : {std::pair{0, hip}, {1, 1.0 - hip}})
            if (weight > 0) {
                skin.clusters[cluster].vertices.push_back(v);
                skin.clusters[cluster].weights.push_back(weight);
            }
    }
    tree.skins = {skin};
    tree.takes = {
        {"Bend",
         1.0,
         {Baked(3, 'R', {0, 0, 0}, {0, 0, 60}, 1.0), Baked(2, 'R', {}, {0, 0, -20}, 1.0)}}};
    return tree;
}

// Each vertex: sum over its weights of (bone global at t x inverse bone global at bind x mesh
// global at bind) x its position.
std::vector<Float3> SkinnedPositions(const FbxTree& tree, double seconds)
{
    const assets::FbxTreeSkin& skin = tree.skins[0];
    const assets::MeshGeometry& mesh = tree.meshes[tree.nodes[skin.node].mesh];
    std::vector<Vec3> sum(mesh.positions.size());
    for (const assets::FbxSkinCluster& cluster : skin.clusters) {
        const assets::FbxMatrix move =
            assets::Multiply(GlobalTransform(tree, cluster.bone, &tree.takes[0], seconds),
                             assets::Multiply(assets::Inverse(GlobalTransform(tree, cluster.bone)),
                                              GlobalTransform(tree, skin.node)));
        for (size_t i = 0; i < cluster.vertices.size(); ++i)
            sum[cluster.vertices[i]] =
                sum[cluster.vertices[i]] + Apply(move, mesh.positions[cluster.vertices[i]]) *
                                               static_cast<float>(cluster.weights[i]);
    }
    std::vector<Float3> points;
    for (const Vec3& p : sum)
        points.push_back(InViewerSpace(p));
    return points;
}

TEST_F(SceneStructure, SkinnedVerticesFollowTheirBonesWhateverTransformsTheArmatureAndMeshNodes)
{
    const FbxTree tree = SkinnedStrip();
    std::unique_ptr<CModelNode> model = WriteAndImport(tree, FbxEncoding::Binary);
    ASSERT_NE(model, nullptr);
    // The model is about 1.5 units tall after the unit scale.
    for (float seconds : {0.0f, 0.5f, 0.75f}) {
        SCOPED_TRACE(seconds);
        SetAnimationTime(*model, seconds);
        ExpectSamePoints(DrawnPositions(*model), SkinnedPositions(tree, seconds), 1.5e-4f);
    }
}

// Thirty skinned meshes take their bind pose from one import of the model file.
TEST_F(SceneStructure, SkinnedMeshesOfOneModelShareOneImportOfItsFile)
{
    FbxTree tree = SkinnedStrip();
    const assets::FbxTreeSkin skin = tree.skins[0];
    for (int copy = 1; copy < 30; ++copy) {
        tree.meshes.push_back(tree.meshes[0]);
        tree.nodes.push_back(tree.nodes[4]);
        tree.nodes.back().name += std::to_string(copy);
        tree.nodes.back().mesh = copy;
        tree.skins.push_back(skin);
        tree.skins.back().node = static_cast<int>(tree.nodes.size()) - 1;
    }
    const uint64_t before = ClipFileImportCount();
    std::unique_ptr<CModelNode> model = WriteAndImport(tree, FbxEncoding::Binary);
    ASSERT_NE(model, nullptr);
    size_t animated = 0;
    for (CMeshObject* mesh : MeshObjects(*model))
        animated += mesh->animationSet != nullptr;
    EXPECT_EQ(animated, 30u);
    EXPECT_EQ(ClipFileImportCount() - before, 1u);
}

// Resident memory of this process, in bytes.
size_t ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    size_t pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// A thousand meshes given an animation file that moves each of them: the file is imported
// once, the model's clips share that one scene, and memory grows by far less than a copy of
// the file per mesh would take.
TEST_F(SceneStructure, AThousandMeshesGivenAnAnimationFileImportItOnce)
{
    FbxTree tree;
    tree.materials = {{"Paint"}};
    FbxTree clips;
    clips.takes = {{"Rise", 1.0, {}}};
    for (int cell = 0; cell < 1000; ++cell) {
        const Vec3 at{static_cast<float>(cell % 40), 0, static_cast<float>(cell / 40)};
        tree.meshes.push_back(Box({}, 0.4f));
        tree.nodes.push_back({"Cell" + std::to_string(cell), -1, {at}, cell, 0});
        clips.nodes.push_back({"Cell" + std::to_string(cell), -1, {at}});
        clips.takes[0].channels.push_back(Baked(cell, 'T', at, at + Vec3{0, 1, 0}, 1.0));
    }
    const std::string clipPath = (scratch / "rise.fbx").string();
    ASSERT_EQ(WriteFbxTree(clipPath, clips, FbxEncoding::Binary), "");
    std::unique_ptr<CModelNode> model = WriteAndImport(tree, FbxEncoding::Binary);
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(MeshObjects(*model).size(), 1000u);
    importer.shownModel = [&model](const auto& use) { use(model.get()); };

    const uint64_t imports = LibraryImportCount();
    const size_t resident = ResidentBytes();
    ASSERT_TRUE(importer.ImportAnimationFile(clipPath));
    EXPECT_EQ(LibraryImportCount() - imports, 1u);
    ASSERT_NE(model->nodeAnimation, nullptr);
    std::set<const aiScene*> scenes;
    for (const auto& [source, controller] : model->nodeAnimation->controllers)
        for (const AnimationClip& clip : controller->clips)
            if (clip.scene.get() != model->scene)
                scenes.insert(clip.scene.get());
    EXPECT_EQ(scenes.size(), 1u);
    const size_t grown = ResidentBytes() - std::min(resident, ResidentBytes());
    RecordProperty("resident_growth_mb", static_cast<int>(grown >> 20));
    EXPECT_LT(grown, size_t{300} << 20);
}

// Three takes; a rigid cart that slides, a hub whose blade (a child without channels of its
// own) turns with it, and a take that holds still.
FbxTree Windmill()
{
    FbxTree tree;
    tree.meshes = {Box({}, 1), Box({}, 0.5f), Box({2, 0, 0}, 0.5f)};
    tree.materials = {{"Paint"}};
    tree.nodes = {
        {"Cart", -1, {}, 0, 0}, {"Hub", -1, {{0, 10, 0}}, 1, 0}, {"Blade", 1, {{5, 0, 0}}, 2, 0}};
    tree.takes = {{"Slide", 1.0, {Baked(0, 'T', {0, 0, 0}, {24, 0, 0}, 1.0)}},
                  {"Spin", 1.0, {Baked(1, 'R', {0, 0, 0}, {0, 0, 90}, 1.0)}},
                  {"Still", 1.0, {Baked(1, 'R', {0, 0, 10}, {0, 0, 10}, 1.0)}}};
    return tree;
}

TEST_F(SceneStructure, EveryTakeIsAClipAndTakesMoveRigidNodesAsAuthored)
{
    const FbxTree tree = Windmill();
    std::unique_ptr<CModelNode> model = WriteAndImport(tree, FbxEncoding::Ascii);
    ASSERT_NE(model, nullptr);
    const AnimationOverview overview = DescribeAnimation(model.get());
    ASSERT_TRUE(overview.hasController) << "node animation alone makes a model animated";
    EXPECT_EQ(overview.clipNames, (std::vector<std::string>{path + " [Bindpose]", path + " [Slide]",
                                                            path + " [Spin]", path + " [Still]"}));
    ASSERT_EQ(overview.clipLoopSeconds.size(), 4u);
    EXPECT_NEAR(overview.clipLoopSeconds[2], 1.0f, 1e-5f);

    for (int take = 0; take < 3; ++take) {
        SCOPED_TRACE(tree.takes[take].name);
        ActivateClip(*model, take);
        SetAnimationTime(*model, 0.5f);
        ExpectSamePoints(DrawnPositions(*model), AuthoredPositions(tree, &tree.takes[take], 0.5),
                         1e-3f);
    }
}

// Bones and a take, no mesh: a motion-capture file.
FbxTree Skeleton()
{
    FbxTree tree;
    tree.nodes = {{"Hips", -1, {}, -1, -1, true},
                  {"Spine", 0, {{0, 10, 0}}, -1, -1, true},
                  {"Head", 1, {{0, 5, 0}}, -1, -1, true}};
    tree.takes = {
        {"Nod", 1.0, {Baked(0, 'R', {}, {}, 1.0), Baked(1, 'R', {0, 0, 0}, {0, 0, 90}, 1.0)}}};
    return tree;
}

TEST_F(SceneStructure, AFileWithASkeletonAndNoMeshShowsItsJointsPlaying)
{
    const FbxTree tree = Skeleton();
    // Asked for as an animation for the model shown, it is handed over as the design has it.
    EXPECT_EQ(WriteAndImport(tree, FbxEncoding::Binary), nullptr);
    std::unique_ptr<CModelNode> model = WriteAndImport(tree, FbxEncoding::Binary, "mocap.fbx",
                                                       AnimationOnlyFile::ShowUnlessShownModelFits);
    ASSERT_NE(model, nullptr);
    const std::vector<CMeshObject*> meshes = MeshObjects(*model);
    ASSERT_EQ(meshes.size(), 1u);
    EXPECT_TRUE(meshes[0]->skeletonOnly);
    EXPECT_TRUE(model->HasAnyMesh()) << "the scene takes it as a model to show";
    EXPECT_EQ(DescribeAnimation(model.get()).boneCount, 3u);
    EXPECT_NE(std::find(LogTexts().begin(), LogTexts().end(),
                        path + " holds no mesh: showing its skeleton and animation"),
              LogTexts().end());

    SetAnimationTime(*model, 0.5f);
    std::vector<Float3> joints;
    for (int bone = 0; bone < 3; ++bone)
        joints.push_back(
            InViewerSpace(Apply(GlobalTransform(tree, bone, &tree.takes[0], 0.5), Vec3{0, 0, 0})));
    ExpectSamePoints(DrawnPositions(*model), joints, 1e-3f);
}

// Textures where artists keep them: named after the mesh in textures/, named by the
// material as ../textures/NAME from the model's folder; a name found nowhere is reported.
TEST_F(SceneStructure, TexturesAreFoundInTextureFoldersAndByTheMaterialsOwnPath)
{
    FakeTextureSource textures;
    importer.textureSource = &textures.source;
    const auto touch = [&](const std::string& name) { return scratch.Write(name, "image"); };
    const std::filesystem::path normal = touch("model/textures/Knight_N.png");
    const std::filesystem::path wood = touch("textures/wood.png");
    FbxTree tree;
    const std::filesystem::path leather = touch("elsewhere/leather.png");
    tree.meshes = {Box({}, 1), Box({3, 0, 0}, 1), Box({6, 0, 0}, 1)};
    tree.materials = {{"Armour", {}, "../textures/wood.png"},
                      {"Cloak", {}, "cloth.png"},
                      {"Strap", {}, leather.string()}};
    tree.nodes = {{"Knight", -1, {}, 0, 0}, {"Cape", -1, {}, 1, 1}, {"Belt", -1, {}, 2, 2}};
    std::unique_ptr<CModelNode> model =
        WriteAndImport(tree, FbxEncoding::Binary, "model/Knight.fbx");
    ASSERT_NE(model, nullptr);
    const std::vector<CMeshObject*> meshes = MeshObjects(*model);
    const TextureBlock& knight =
        meshes[0]->name == "Knight" ? meshes[0]->textureSlots[0] : meshes[1]->textureSlots[0];
    EXPECT_EQ(FakeTextureSource::Name(knight[kNormalSlot].texture), normal);
    EXPECT_EQ(
        std::filesystem::weakly_canonical(FakeTextureSource::Name(knight[kAlbedoSlot].texture)),
        std::filesystem::weakly_canonical(wood));
    EXPECT_EQ(model->importContext->texturesMissing, std::set<std::string>{"cloth.png"});
    // The Scene window names it on the mesh whose material asks for it, and nowhere else.
    for (const CMeshObject* mesh : meshes) {
        SCOPED_TRACE(mesh->name);
        EXPECT_EQ(DescribeTextureSlot(*mesh, kAlbedoSlot).rfind("missing: ", 0) == 0,
                  mesh->name == "Cape");
    }
    const auto cape = std::find_if(meshes.begin(), meshes.end(),
                                   [](const CMeshObject* mesh) { return mesh->name == "Cape"; });
    ASSERT_NE(cape, meshes.end());
    EXPECT_EQ(DescribeTextureSlot(**cape, kAlbedoSlot), "missing: cloth.png");
    EXPECT_TRUE(model->importContext->texturesFound.contains(leather.string()))
        << "an absolute path the material gives";
    EXPECT_TRUE(model->importContext->texturesFound.contains(normal.string()));

    // A model file holding the mesh's name is no texture: without image files named after
    // the mesh, every texture file beside it counts.
    textures.records.clear();
    const std::filesystem::path planks = touch("crate/textures/planks_D.dds");
    tree.nodes = {{"Crate", -1, {}, 0, -1}};
    tree.materials.clear();
    model = WriteAndImport(tree, FbxEncoding::Binary, "crate/Crate.fbx");
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(FakeTextureSource::Name(MeshObjects(*model)[0]->textureSlots[0][kAlbedoSlot].texture),
              planks);
}

// Metalness and roughness arrive as Blender writes them only from Blender's files: other
// exporters mean a mirror's reflection by ReflectionFactor.
TEST_F(SceneStructure, BlendersMetallicAndRoughnessReachTheMaterialTexture)
{
    FakeTextureSource textures;
    importer.textureSource = &textures.source;
    FbxTree tree;
    tree.meshes = {Box({}, 1)};
    tree.materials = {{"Steel", {0.9f, 0.9f, 0.9f}, "", 1.0f, 0.25f}};
    tree.nodes = {{"Pipe", -1, {}, 0, 0}};
    for (const auto& [creator, metalness] :
         {std::pair{"Blender (stable FBX IO) - 3.4.1 - 4.37.1", 1.0f},
          {"vornis-make-assets", 0.0f}}) {
        SCOPED_TRACE(creator);
        tree.creator = creator;
        textures.materials.clear();
        ASSERT_NE(WriteAndImport(tree, FbxEncoding::Binary), nullptr);
        ASSERT_EQ(textures.materials.size(), 1u);
        EXPECT_FLOAT_EQ(textures.materials[0].values.metalness, metalness);
        EXPECT_NEAR(textures.materials[0].values.roughness, 0.25f, 1e-5f);
    }
}

}  // namespace

// The bounding box overlay measures what is drawn: a 2 x 3 x 4 box (its points off its
// origin) under a group scaled 2.5, turned a quarter about y in a second file; a hidden node
// counts for nothing.
TEST_F(SceneStructure, TheDrawnBoxMeasuresTheMeshesAsTheirNodesPlaceThem)
{
    for (const float turn : {0.0f, 90.0f}) {
        SCOPED_TRACE(turn);
        FbxTree tree;
        tree.meshes = {Box({4, 0, 0}, Vec3{1, 1.5f, 2})};
        tree.nodes = {{"Group", -1, {}, -1}, {"Part", 0, {}, -1}, {"Far", -1, {}, -1}};
        tree.nodes[0].transform.scaling = {2.5f, 2.5f, 2.5f};
        tree.nodes[0].transform.rotation = {0, turn, 0};
        tree.nodes[1].mesh = 0;
        tree.nodes[2].mesh = 0;
        tree.nodes[2].transform.translation = {500, 0, 0};
        const auto model = WriteAndImport(tree, FbxEncoding::Binary);
        ASSERT_TRUE(model);
        std::vector<CModelNode*> far;
        const std::function<void(CModelNode&)> find = [&](CModelNode& node) {
            if (node.name == "Far")
                far.push_back(&node);
            for (auto& child : node.children)
                find(*child);
        };
        find(*model);
        ASSERT_EQ(far.size(), 1u);
        far[0]->hidden = true;

        const Float3 size = DrawnModelBox(*model).Size();
        const Float3 expected = turn == 0.0f ? Float3{5, 7.5f, 10} : Float3{10, 7.5f, 5};
        for (int axis = 0; axis < 3; ++axis)
            EXPECT_NEAR(size[axis], expected[axis], 1e-3f) << axis;
    }
}
