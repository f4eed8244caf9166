#include "models/SceneNodes.h"

#include <assimp/scene.h>

#include <cmath>

#include "animation/AnimationMatrix.h"

namespace {

const Matrix4 kIdentity = Matrix4::Identity();

}  // namespace

int32_t SceneNodes::IndexOf(const aiNode* node) const
{
    const auto found = indices.find(node);
    return found == indices.end() ? -1 : found->second;
}

void SceneNodes::ComposeGlobals(std::span<const Matrix4> locals)
{
    if (locals.size() != nodes.size())
        return;
    globals.resize(nodes.size());
    for (size_t i = 0; i < nodes.size(); ++i)
        globals[i] = parents[i] < 0 ? locals[i] : Multiply(locals[i], globals[parents[i]]);
}

const Matrix4& SceneNodes::Global(int32_t index) const
{
    return index >= 0 && static_cast<size_t>(index) < globals.size() ? globals[index] : kIdentity;
}

const Matrix4& SceneNodes::RestGlobal(int32_t index) const
{
    return index >= 0 && static_cast<size_t>(index) < restGlobals.size() ? restGlobals[index]
                                                                         : kIdentity;
}

SceneNodes LayOutSceneNodes(const aiNode* root)
{
    SceneNodes table;
    if (!root)
        return table;
    table.nodes.push_back(root);
    table.parents.push_back(-1);
    for (size_t i = 0; i < table.nodes.size(); ++i) {
        const aiNode* node = table.nodes[i];
        // A node reached twice (a cycle in a damaged file) is laid out once.
        if (!table.indices.emplace(node, static_cast<int32_t>(i)).second) {
            table.nodes[i] = nullptr;
            continue;
        }
        for (unsigned c = 0; node->mChildren && c < node->mNumChildren; ++c) {
            if (node->mChildren[c] && !table.indices.contains(node->mChildren[c])) {
                table.nodes.push_back(node->mChildren[c]);
                table.parents.push_back(static_cast<int32_t>(i));
            }
        }
    }
    table.restLocals.resize(table.nodes.size(), kIdentity);
    for (size_t i = 0; i < table.nodes.size(); ++i)
        if (table.nodes[i] && IsFinite(table.nodes[i]->mTransformation))
            table.restLocals[i] = ToEngineMatrix(table.nodes[i]->mTransformation);
    table.ComposeGlobals(table.restLocals);
    table.restGlobals = table.globals;
    return table;
}
