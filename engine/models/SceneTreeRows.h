// The Scene window's tree as flat rows: what a list that draws only the rows in view needs.
// A node's row is followed by its meshes (two rows each: counts, then textures) and its
// children's rows while it is expanded. Built without GL; the interface caches the rows per
// model and per change of the expanded set.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

class CModelNode;
class CMeshObject;

struct SceneTreeRow {
    enum class Kind : uint8_t { Node, MeshCounts, MeshTextures };
    Kind kind = Kind::Node;
    int depth = 0;               // the root is 0; a node's meshes stand one deeper than the node
    CModelNode* node = nullptr;  // the node, or the node the mesh belongs to
    const CMeshObject* mesh = nullptr;  // mesh rows only
    bool expandable = false;            // node rows: it has children or meshes
    bool expanded = false;
    std::string text;  // the row's label, made once with the rows
};

using ExpandedNodes = std::unordered_set<const CModelNode*>;

// Depth first in scene order, without recursion (a chain of nodes as deep as the file
// makes it costs no stack). Labels of node rows are the node's name with its counts of
// children and meshes.
std::vector<SceneTreeRow> BuildSceneTreeRows(CModelNode& root, const ExpandedNodes& expanded);

// Every node of the tree that has children or meshes: what "Expand all" opens.
ExpandedNodes AllExpandableNodes(const CModelNode& root);

// Texture slots the window shows, with their names.
struct ShownTextureSlot {
    int slot;
    const char* name;
};
inline constexpr ShownTextureSlot kShownTextureSlots[] = {
    {0, "albedo"}, {1, "material"}, {2, "normal"}};

// What a mesh's slot shows: "missing: NAME" for a file its material names that is nowhere;
// the file name of a texture loaded from a file (or the model file's image); "unreadable:
// NAME" for a file that could not be loaded; "material colour" otherwise (the material
// names no file).
std::string DescribeTextureSlot(const CMeshObject& mesh, int slot);

// "NAME  V vertices  T triangles  material 'M'  B bones" from the mesh's data and import.
std::string DescribeMeshCounts(const CMeshObject& mesh);
// "albedo: ...  material: ...  normal: ..." from DescribeTextureSlot.
std::string DescribeMeshTextures(const CMeshObject& mesh);
