// The imported scene's node tree laid out flat, parents before children, with every node's
// transform: as the file stores it, and as it stands now once node animation has moved it.
// Meshes are drawn where their nodes stand: exporters place parts, pivots and their axis
// conversion on nodes, so a mesh's own vertices say little about where it belongs.
#pragma once

#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

#include "math/Matrix4.h"

struct aiNode;

struct SceneNodes {
    std::vector<const aiNode*> nodes;  // breadth first from the root
    std::vector<int32_t> parents;      // -1 for the root
    // Engine layout (row vectors): global = local x parent's global.
    std::vector<Matrix4> restLocals;
    std::vector<Matrix4> restGlobals;
    std::vector<Matrix4> globals;  // what draws use: the rest until node animation poses

    int32_t IndexOf(const aiNode* node) const;
    size_t Size() const { return nodes.size(); }
    // Globals from `locals` (one per node), parents first.
    void ComposeGlobals(std::span<const Matrix4> locals);
    // The global of node `index` now, or the identity for an index outside the table.
    const Matrix4& Global(int32_t index) const;
    const Matrix4& RestGlobal(int32_t index) const;

   private:
    friend SceneNodes LayOutSceneNodes(const aiNode* root);
    std::unordered_map<const aiNode*, int32_t> indices;
};

// Walks the tree without recursion (a hostile file's tree may be deeper than the stack).
// A transform that is not finite counts as the identity.
SceneNodes LayOutSceneNodes(const aiNode* root);
