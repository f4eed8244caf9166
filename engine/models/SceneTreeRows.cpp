#include "models/SceneTreeRows.h"

#include <assimp/material.h>
#include <assimp/scene.h>

#include <cstdio>
#include <utility>

#include "models/ModelImportContext.h"
#include "models/ModelNode.h"
#include "textures/TextureRecord.h"

namespace {

bool Expandable(const CModelNode& node)
{
    return !node.children.empty() || !node.meshObjects.empty();
}

std::string NodeLabel(const CModelNode& node)
{
    std::string label = !node.name.empty() ? node.name
                        : node.isRoot      ? std::string("(model root)")
                                           : std::string("(unnamed)");
    char counts[64];
    if (!node.children.empty() || !node.meshObjects.empty()) {
        std::snprintf(counts, sizeof(counts), "  (%zu nodes, %zu meshes)", node.children.size(),
                      node.meshObjects.size());
        label += counts;
    }
    return label;
}

std::string MaterialName(const CMeshObject& mesh)
{
    const MeshData* data = mesh.meshData.get();
    const aiScene* scene = mesh.context ? mesh.context->scene.get() : nullptr;
    if (!data || !scene || data->materialIndex >= scene->mNumMaterials ||
        !scene->mMaterials[data->materialIndex])
        return {};
    return scene->mMaterials[data->materialIndex]->GetName().C_Str();
}

}  // namespace

std::vector<SceneTreeRow> BuildSceneTreeRows(CModelNode& root, const ExpandedNodes& expanded)
{
    std::vector<SceneTreeRow> rows;
    // Children pushed in reverse, so that they come off the stack in scene order.
    std::vector<std::pair<CModelNode*, int>> stack{{&root, 0}};
    while (!stack.empty()) {
        auto [node, depth] = stack.back();
        stack.pop_back();
        SceneTreeRow row;
        row.depth = depth;
        row.node = node;
        row.expandable = Expandable(*node);
        row.expanded = row.expandable && expanded.count(node) != 0;
        row.text = NodeLabel(*node);
        rows.push_back(std::move(row));
        if (!rows.back().expanded)
            continue;
        for (const auto& meshObject : node->meshObjects) {
            for (auto kind : {SceneTreeRow::Kind::MeshCounts, SceneTreeRow::Kind::MeshTextures}) {
                SceneTreeRow meshRow;
                meshRow.kind = kind;
                meshRow.depth = depth + 1;
                meshRow.node = node;
                meshRow.mesh = meshObject.get();
                meshRow.text = kind == SceneTreeRow::Kind::MeshCounts
                                   ? DescribeMeshCounts(*meshObject)
                                   : DescribeMeshTextures(*meshObject);
                rows.push_back(std::move(meshRow));
            }
        }
        for (auto child = node->children.rbegin(); child != node->children.rend(); ++child)
            stack.emplace_back(child->get(), depth + 1);
    }
    return rows;
}

ExpandedNodes AllExpandableNodes(const CModelNode& root)
{
    ExpandedNodes nodes;
    std::vector<const CModelNode*> stack{&root};
    while (!stack.empty()) {
        const CModelNode* node = stack.back();
        stack.pop_back();
        if (Expandable(*node))
            nodes.insert(node);
        for (const auto& child : node->children)
            stack.push_back(child.get());
    }
    return nodes;
}

std::string DescribeTextureSlot(const CMeshObject& mesh, int slot)
{
    if (slot < 0 || slot >= static_cast<int>(mesh.missingTextures.size()))
        return "material colour";
    if (!mesh.missingTextures[slot].empty())
        return "missing: " + mesh.missingTextures[slot];
    const uint32_t block = mesh.textureSet < kTextureBlockCount ? mesh.textureSet : 0;
    const TextureRecord* record = mesh.textureSlots[block][slot].texture.get();
    if (record && !record->isBuiltIn)
        return record->name.filename().string();
    if (record && !record->file.empty())
        return "unreadable: " + record->file.filename().string();
    return "material colour";
}

std::string DescribeMeshCounts(const CMeshObject& mesh)
{
    const MeshData* data = mesh.meshData.get();
    const uint32_t vertices = data ? data->vertexCount : 0;
    const size_t triangles = data ? data->indices.size() / 3 : 0;
    // The imported mesh lives as long as the import's scene, which the root keeps.
    const bool imported = data && data->importedMesh && mesh.context && mesh.context->scene;
    const unsigned bones = imported ? data->importedMesh->mNumBones : 0;
    char counts[96];
    std::snprintf(counts, sizeof(counts), "  V %u  T %zu  ", vertices, triangles);
    std::string text = (mesh.name.empty() ? std::string("(unnamed mesh)") : mesh.name) + counts;
    text += "material '" + MaterialName(mesh) + "'";
    std::snprintf(counts, sizeof(counts), "  bones %u", bones);
    return text + counts;
}

std::string DescribeMeshTextures(const CMeshObject& mesh)
{
    std::string text;
    for (const ShownTextureSlot& shown : kShownTextureSlots) {
        if (!text.empty())
            text += "  ";
        text += std::string(shown.name) + ": " + DescribeTextureSlot(mesh, shown.slot);
    }
    return text;
}
