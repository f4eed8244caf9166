// The Scene window's logic without GL: the flat rows of a tree for an expanded set, what a
// mesh's texture slots say, and the box of a subtree as it is drawn.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "models/MeshData.h"
#include "models/ModelNode.h"
#include "models/SceneTreeRows.h"
#include "scene/InspectionGeometry.h"
#include "textures/TextureRecord.h"

namespace {

// A drawable mesh of 8 vertices and 12 triangles whose points span `low` to `high`.
std::unique_ptr<CMeshObject> Mesh(const std::string& name, Float3 low, Float3 high)
{
    auto mesh = std::make_shared<MeshData>();
    mesh->stride = 12;
    mesh->vertexCount = 8;
    mesh->vertices.resize(8 * 12);
    mesh->indices.resize(12 * 3);
    mesh->pointsMin = mesh->boxMin = low;
    mesh->pointsMax = mesh->boxMax = high;
    auto object = std::make_unique<CMeshObject>();
    object->name = name;
    object->meshData = std::move(mesh);
    return object;
}

CModelNode& Add(CModelNode& parent, const std::string& name)
{
    parent.children.push_back(std::make_unique<CModelNode>(nullptr, name));
    return *parent.children.back();
}

// root
//   A (mesh a)
//     A1 (mesh a1)
//     A2
//   B (meshes b, b2)
struct Tree {
    CModelNode root{nullptr, "root"};
    CModelNode* a = &Add(root, "A");
    CModelNode* a1 = &Add(*a, "A1");
    CModelNode* a2 = &Add(*a, "A2");
    CModelNode* b = &Add(root, "B");
    Tree()
    {
        a->meshObjects.push_back(Mesh("a", {0, 0, 0}, {1, 1, 1}));
        a1->meshObjects.push_back(Mesh("a1", {4, 0, 0}, {5, 2, 1}));
        for (const char* name : {"b", "b2"})
            b->meshObjects.push_back(Mesh(name, {-3, -1, 0}, {-2, 0, 0.5f}));
    }
};

// Each row as "depth:kind:name", kind N for a node (+ when expanded), M for mesh counts
// and T for mesh textures.
std::vector<std::string> Outline(const std::vector<SceneTreeRow>& rows)
{
    std::vector<std::string> out;
    for (const SceneTreeRow& row : rows) {
        std::string kind = row.kind == SceneTreeRow::Kind::Node         ? "N"
                           : row.kind == SceneTreeRow::Kind::MeshCounts ? "M"
                                                                        : "T";
        if (row.expanded)
            kind += "+";
        const std::string name = row.mesh ? row.mesh->name : row.node->name;
        out.push_back(std::to_string(row.depth) + ":" + kind + ":" + name);
    }
    return out;
}

}  // namespace

TEST(SceneTreeRows, ShowWhatTheExpandedSetOpensInSceneOrder)
{
    Tree tree;
    using Rows = std::vector<std::string>;
    const struct {
        const char* what;
        ExpandedNodes expanded;
        Rows rows;
    } cases[] = {
        {"nothing open", {}, {"0:N:root"}},
        {"root open", {&tree.root}, {"0:N+:root", "1:N:A", "1:N:B"}},
        {"a closed parent hides an open child", {tree.a1}, {"0:N:root"}},
        {"a leaf without meshes never counts as open",
         {&tree.root, tree.a, tree.a2},
         {"0:N+:root", "1:N+:A", "2:M:a", "2:T:a", "2:N:A1", "2:N:A2", "1:N:B"}},
        {"all open",
         AllExpandableNodes(tree.root),
         {"0:N+:root", "1:N+:A", "2:M:a", "2:T:a", "2:N+:A1", "3:M:a1", "3:T:a1", "2:N:A2",
          "1:N+:B", "2:M:b", "2:T:b", "2:M:b2", "2:T:b2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Outline(BuildSceneTreeRows(tree.root, c.expanded)), c.rows);
    }
    // A2 has nothing to open; the four others do.
    const ExpandedNodes all = AllExpandableNodes(tree.root);
    EXPECT_EQ(all.size(), 4u);
    EXPECT_EQ(all.count(tree.a2), 0u);

    const std::vector<SceneTreeRow> rows = BuildSceneTreeRows(tree.root, all);
    EXPECT_FALSE(rows[7].expandable);
    EXPECT_EQ(rows[2].text, "a  V 8  T 12  material ''  bones 0");
}

// A chain far deeper than any stack of recursive calls would allow: each node one row.
TEST(SceneTreeRows, ADeepChainGivesOneRowPerOpenNode)
{
    CModelNode root(nullptr, "root");
    CModelNode* node = &root;
    ExpandedNodes expanded;
    constexpr int kDepth = 100000;
    for (int i = 0; i < kDepth; ++i) {
        expanded.insert(node);
        node = &Add(*node, "n" + std::to_string(i));
    }
    const std::vector<SceneTreeRow> rows = BuildSceneTreeRows(root, expanded);
    // Unlinked into a flat list first (before any assertion may return): the tree's own
    // destructor would recurse down the chain.
    std::vector<std::unique_ptr<CModelNode>> flat;
    for (CModelNode* parent = &root; !parent->children.empty();) {
        flat.push_back(std::move(parent->children.front()));
        parent->children.clear();
        parent = flat.back().get();
    }
    ASSERT_EQ(rows.size(), static_cast<size_t>(kDepth) + 1);
    EXPECT_EQ(rows.back().depth, kDepth);
    EXPECT_EQ(rows.back().node, node);
}

TEST(SceneTreeRows, TextureSlotsSayWhatTheyShow)
{
    const auto record = [](const char* name, const char* file, bool builtIn) {
        auto made = std::make_shared<TextureRecord>();
        made->name = name;
        made->file = file;
        made->isBuiltIn = builtIn;
        return made;
    };
    const auto file = record("/models/textures/brick_D.png", "/models/textures/brick_D.png", 0);
    const auto failed = record("Failed", "/models/broken_N.dds", 1);
    const auto colour = record("Material values", "", 1);

    CMeshObject mesh;
    mesh.textureSet = 2;
    mesh.textureSlots[2][kAlbedoSlot].texture = file;
    mesh.textureSlots[2][kMaterialSlot].texture = colour;
    mesh.textureSlots[2][kNormalSlot].texture = failed;
    mesh.textureSlots[0][kMaterialSlot].texture = file;  // another block: not shown
    EXPECT_EQ(DescribeTextureSlot(mesh, kAlbedoSlot), "brick_D.png");
    EXPECT_EQ(DescribeTextureSlot(mesh, kMaterialSlot), "material colour");
    EXPECT_EQ(DescribeTextureSlot(mesh, kNormalSlot), "unreadable: broken_N.dds");
    EXPECT_EQ(DescribeTextureSlot(mesh, kFourthNormalSlot), "material colour") << "empty slot";
    EXPECT_EQ(DescribeTextureSlot(mesh, -1), "material colour");

    // A name the material gives that is nowhere wins over what the slot holds instead.
    mesh.missingTextures[kAlbedoSlot] = "wood.png";
    mesh.missingTextures[kMaterialSlot] = "rough.png, metal.png";
    EXPECT_EQ(DescribeTextureSlot(mesh, kAlbedoSlot), "missing: wood.png");
    EXPECT_EQ(DescribeMeshTextures(mesh),
              "albedo: missing: wood.png  material: missing: rough.png, metal.png  "
              "normal: unreadable: broken_N.dds");

    // An out-of-range block (hostile material index) reads block 0.
    mesh.textureSet = 1000;
    mesh.missingTextures = {};
    EXPECT_EQ(DescribeTextureSlot(mesh, kMaterialSlot), "brick_D.png");
}

// The subtree's box as the whole tree draws it: a hidden node inside leaves its meshes
// out, a node under a hidden one has nothing drawn, a node of another tree neither.
TEST(SceneTreeRows, SubtreeBoxHoldsTheDrawnMeshesBelowTheNode)
{
    Tree tree;
    const struct {
        const char* what;
        const CModelNode* node;
        Float3 low, high;
    } cases[] = {
        {"root", &tree.root, {-3, -1, 0}, {5, 2, 1}},
        {"A and A1", tree.a, {0, 0, 0}, {5, 2, 1}},
        {"A1 alone", tree.a1, {4, 0, 0}, {5, 2, 1}},
        {"B's two meshes", tree.b, {-3, -1, 0}, {-2, 0, 0.5f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const WorldBox box = DrawnSubtreeBox(tree.root, *c.node);
        EXPECT_FALSE(box.empty);
        EXPECT_EQ(box.low, c.low);
        EXPECT_EQ(box.high, c.high);
    }
    EXPECT_TRUE(DrawnSubtreeBox(tree.root, *tree.a2).empty) << "no mesh";

    // The tree's transform and a mesh's spin move the box as they move the draw.
    tree.root.transform.m[3][0] = 10.0f;  // row vectors: translation in the fourth row
    tree.a1->meshObjects[0]->spinMatrix.m[3][1] = 1.0f;
    const WorldBox moved = DrawnSubtreeBox(tree.root, *tree.a1);
    EXPECT_EQ(moved.low, (Float3{14, 1, 0}));
    tree.root.transform = Matrix4::Identity();
    tree.a1->meshObjects[0]->spinMatrix = Matrix4::Identity();

    tree.a1->hidden = true;
    const WorldBox withoutA1 = DrawnSubtreeBox(tree.root, *tree.a);
    EXPECT_FLOAT_EQ(withoutA1.high[0], 1.0f);
    EXPECT_TRUE(DrawnSubtreeBox(tree.root, *tree.a1).empty) << "hidden itself";
    tree.a1->hidden = false;
    tree.a->hidden = true;
    EXPECT_TRUE(DrawnSubtreeBox(tree.root, *tree.a1).empty) << "under a hidden node";
    EXPECT_FLOAT_EQ(DrawnModelBox(tree.root).high[0], -2.0f) << "only B is drawn";

    Tree other;
    EXPECT_TRUE(DrawnSubtreeBox(tree.root, *other.b).empty) << "not in the tree";
}
