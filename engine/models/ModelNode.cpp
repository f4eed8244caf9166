#include "models/ModelNode.h"

#include <assimp/scene.h>

#include <cmath>

#include "models/ModelAnimationHooks.h"
#include "models/ModelImporter.h"
#include "models/ModelTextureSource.h"
#include "platform/MessageBox.h"
#include "textures/TextureRecord.h"

CModelNode::CModelNode(const CModelImporter* importer, std::string name)
    : name(std::move(name)), importer(importer)
{
}

CModelNode::~CModelNode()
{
    // Mesh objects and subtrees refer to the import context: release them before it.
    meshObjects.clear();
    children.clear();
}

bool CModelNode::PassesLodTest(const std::optional<Float3>& eye, const Matrix4& matrix) const
{
    if (!lodRange || !eye)
        return true;
    const Float3 position = TranslationOf(matrix);
    const float dx = (*eye)[0] - position[0];
    const float dy = (*eye)[1] - position[1];
    const float dz = (*eye)[2] - position[2];
    const float distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    return distance > lodRange->start && distance <= lodRange->end;
}

void CModelNode::Draw(float time, const std::optional<Float3>& eye,
                      const MeshDrawFunction& drawMesh)
{
    // Every node is drawn with the root's transform and shader name.
    DrawNode(time, shaderName, transform, eye, drawMesh);
}

void CModelNode::DrawNode(float time, const std::string& shader, const Matrix4& matrix,
                          const std::optional<Float3>& eye, const MeshDrawFunction& drawMesh)
{
    if (!PassesLodTest(eye, matrix))
        return;
    for (auto& meshObject : meshObjects) {
        if (!meshObject->IsDrawable())
            continue;
        meshObject->worldMatrix = matrix;
        meshObject->shaderName = shader;
        if (drawMesh)
            drawMesh(*meshObject, time);
    }
    for (auto& child : children)
        child->DrawNode(time, shader, matrix, eye, drawMesh);
}

template <typename Visit>
void CModelNode::ForFirstChildChain(Visit visit) const
{
    for (const CModelNode* node = this; node;
         node = node->children.empty() ? nullptr : node->children.front().get()) {
        for (const auto& meshObject : node->meshObjects) {
            if (visit(*meshObject))
                return;
        }
    }
}

template <typename Visit>
void CModelNode::ForAllNodesChildrenFirst(Visit visit)
{
    for (auto& child : children)
        child->ForAllNodesChildrenFirst(visit);
    visit(*this);
}

void CModelNode::SetVertexColorMode(uint32_t mode)
{
    ForFirstChildChain([mode](CMeshObject& meshObject) {
        meshObject.vertexColorMode = mode;
        return false;
    });
}

void CModelNode::SetTextureUvSet(int slot, uint32_t uvSet)
{
    if (slot < 0 || slot >= kSlotsPerBlock)
        return;
    ForFirstChildChain([slot, uvSet](CMeshObject& meshObject) {
        meshObject.textureSlots[0][slot].uvSet = uvSet;
        return false;
    });
}

bool CModelNode::HoldsFileTexture(int slot) const
{
    if (slot < 0 || slot >= kSlotsPerBlock)
        return false;
    bool found = false;
    ForFirstChildChain([slot, &found](const CMeshObject& meshObject) {
        const TextureRecord* texture = meshObject.textureSlots[0][slot].texture.get();
        found = texture && texture->isBuiltIn == 0;
        return found;
    });
    return found;
}

CMeshObject* CModelNode::FirstMeshObject() const
{
    CMeshObject* first = nullptr;
    ForFirstChildChain([&first](CMeshObject& meshObject) {
        first = &meshObject;
        return true;
    });
    return first;
}

void CModelNode::SetExtraTexture(const std::filesystem::path& fileName, int index)
{
    const ModelTextureSource* source = importer ? importer->textureSource : nullptr;
    if (index < 0 || index >= kExtraTextureCount || !source || !source->loadTexture)
        return;
    const TextureHandle texture = source->loadTexture(fileName);
    ForAllNodesChildrenFirst([&](CModelNode& node) {
        for (auto& meshObject : node.meshObjects)
            meshObject->extraTextures[index] = texture;
    });
}

void CModelNode::AssignTexture(int slot, const std::filesystem::path& path)
{
    const ModelTextureSource* source = importer ? importer->textureSource : nullptr;
    if (slot < 0 || slot >= kSlotsPerBlock || !source || !source->loadTexture)
        return;
    const TextureHandle texture = source->loadTexture(path);
    ForAllNodesChildrenFirst([&](CModelNode& node) {
        for (auto& meshObject : node.meshObjects) {
            for (TextureBlock& block : meshObject->textureSlots)
                block[slot].texture = texture;
        }
    });
}

void CModelNode::SetBlendValue(float blend)
{
    ForAllNodesChildrenFirst([blend](CModelNode& node) {
        for (auto& meshObject : node.meshObjects)
            meshObject->blendValue = blend;
    });
}

void CModelNode::SetRotation(bool x, bool y, bool z)
{
    const Float3 switches = {x ? 1.0f : 0.0f, y ? 1.0f : 0.0f, z ? 1.0f : 0.0f};
    ForAllNodesChildrenFirst([&switches](CModelNode& node) {
        if (!node.meshObjects.empty())
            node.meshObjects.front()->rotationSwitches = switches;
    });
}

void CModelNode::SetAnimationSpeed(int32_t speed)
{
    ForAllNodesChildrenFirst([speed](CModelNode& node) {
        if (!node.meshObjects.empty())
            node.meshObjects.front()->animationSpeed = speed;
    });
}

void CModelNode::SumCounts(const std::optional<Float3>& eye, const Matrix4& matrix,
                           uint64_t& vertices, uint64_t& indices) const
{
    if (!PassesLodTest(eye, matrix))
        return;
    for (const auto& meshObject : meshObjects) {
        vertices += meshObject->vertexCount;
        indices += meshObject->indexCount;
    }
    for (const auto& child : children)
        child->SumCounts(eye, matrix, vertices, indices);
}

uint64_t CModelNode::VertexCount(const std::optional<Float3>& eye) const
{
    uint64_t vertices = 0, indices = 0;
    SumCounts(eye, transform, vertices, indices);
    return vertices;
}

uint64_t CModelNode::TriangleCount(const std::optional<Float3>& eye) const
{
    uint64_t vertices = 0, indices = 0;
    SumCounts(eye, transform, vertices, indices);
    return indices / 3;
}

void CModelNode::FindLargestBounds(Bounds& best, bool& found) const
{
    for (const auto& meshObject : meshObjects) {
        const MeshData* mesh = meshObject->meshData.get();
        if (mesh && (!found || mesh->boundsRadius > best.radius)) {
            best.centre = mesh->boundsCentre;
            best.radius = mesh->boundsRadius;
            found = true;
        }
    }
    for (const auto& child : children)
        child->FindLargestBounds(best, found);
}

CModelNode::Bounds CModelNode::LargestBounds() const
{
    Bounds best;
    bool found = false;
    FindLargestBounds(best, found);
    return best;
}

void CModelNode::CollectMeshObjects(std::vector<CMeshObject*>& out) const
{
    for (const auto& meshObject : meshObjects)
        out.push_back(meshObject.get());
    for (const auto& child : children)
        child->CollectMeshObjects(out);
}

bool CModelNode::HasAnyMesh() const
{
    if (!meshObjects.empty())
        return true;
    for (const auto& child : children) {
        if (child->HasAnyMesh())
            return true;
    }
    return false;
}

bool CModelNode::OnFileChanged(const std::string& path)
{
    bool reloadRequested = false;
    for (const auto& meshObject : meshObjects) {
        if (meshObject->modelPath == path) {
            reloadRequested = true;
            break;
        }
    }
    bool childReload = false;
    for (auto& child : children)
        childReload = child->OnFileChanged(path) || childReload;
    if (reloadRequested)
        return true;
    const ModelAnimationHooks* hooks = importer ? &importer->animationHooks : nullptr;
    if (!hooks || !hooks->reloadAnimationSet)
        return childReload;
    for (auto& meshObject : meshObjects) {
        if (meshObject->animationSet)
            hooks->reloadAnimationSet(*meshObject->animationSet, path);
    }
    return childReload;
}

int DumpModelInformation(const CModelNode* model, const MessageBoxFunction& showMessageBox)
{
    constexpr int kOkButton = 1;
    if (!model) {
        showMessageBox("ModelInfo", "No model found ;( ");
        return kOkButton;
    }
    if (!model->meshObjects.empty())
        return static_cast<int>(model->meshObjects.size());
    if (model->HasAnyMesh())
        return 1;
    showMessageBox("ModelInfo", "No mesh found in model ;( ");
    return kOkButton;
}

int DumpModelInformation(const CModelNode* model)
{
    return DumpModelInformation(model, [](const std::string& title, const std::string& text) {
        platform::ShowMessageBox(title, text);
    });
}
