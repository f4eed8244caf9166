#include "models/ModelNode.h"

#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <limits>

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

bool CModelNode::PassesLodTest(const std::optional<Float3>& eye, const Matrix4& nodeWorld) const
{
    if (!lodRange || !eye)
        return true;
    const Float3 position = TranslationOf(nodeWorld);
    const float dx = (*eye)[0] - position[0];
    const float dy = (*eye)[1] - position[1];
    const float dz = (*eye)[2] - position[2];
    const float distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    return distance > lodRange->start && distance <= lodRange->end;
}

void CModelNode::VisitPlacedMeshes(const std::optional<Float3>& eye,
                                   const PlacedMeshVisit& visit) const
{
    VisitNode(Nodes(), transform, eye, visit);
}

void CModelNode::VisitNode(const SceneNodes* nodes, const Matrix4& treeTransform,
                           const std::optional<Float3>& eye, const PlacedMeshVisit& visit) const
{
    if (hidden)
        return;
    // World = node global x tree transform (row vectors: the node's own chain first).
    const Matrix4 nodeWorld =
        nodes ? Multiply(nodes->Global(sceneNode), treeTransform) : treeTransform;
    if (!PassesLodTest(eye, nodeWorld))
        return;
    for (const auto& meshObject : meshObjects) {
        // A skinned mesh's palette is made for its node at rest; node animation that moves
        // the node moves the bones above it already.
        const Matrix4 placement = meshObject->IsSkinned() || meshObject->skeletonOnly
                                      ? Multiply(meshObject->nodeRestGlobal, treeTransform)
                                      : nodeWorld;
        visit(*meshObject, placement);
    }
    for (const auto& child : children)
        child->VisitNode(nodes, treeTransform, eye, visit);
}

void CModelNode::Draw(float time, const std::optional<Float3>& eye,
                      const MeshDrawFunction& drawMesh)
{
    const std::string shader = shaderName;
    VisitPlacedMeshes(eye, [&](CMeshObject& meshObject, const Matrix4& placement) {
        if (!meshObject.IsDrawable() && !meshObject.skeletonOnly)
            return;
        meshObject.worldMatrix = placement;
        meshObject.shaderName = shader;
        if (drawMesh)
            drawMesh(meshObject, time);
    });
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
    nodeAnimationBlend = blend;
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
    animationSpeed = std::clamp<int32_t>(speed, 0, 1000);
    ForAllNodesChildrenFirst([speed](CModelNode& node) {
        if (!node.meshObjects.empty())
            node.meshObjects.front()->animationSpeed = speed;
    });
}

void CModelNode::SumCounts(const std::optional<Float3>& eye, uint64_t& vertices,
                           uint64_t& indices) const
{
    VisitPlacedMeshes(eye, [&](CMeshObject& meshObject, const Matrix4&) {
        vertices += meshObject.vertexCount;
        indices += meshObject.indexCount;
    });
}

uint64_t CModelNode::VertexCount(const std::optional<Float3>& eye) const
{
    uint64_t vertices = 0, indices = 0;
    SumCounts(eye, vertices, indices);
    return vertices;
}

uint64_t CModelNode::TriangleCount(const std::optional<Float3>& eye) const
{
    uint64_t vertices = 0, indices = 0;
    SumCounts(eye, vertices, indices);
    return indices / 3;
}

void TransformBox(const Float3& low, const Float3& high, const Matrix4& m, Float3& outLow,
                  Float3& outHigh)
{
    for (int axis = 0; axis < 3; ++axis) {
        outLow[axis] = std::numeric_limits<float>::max();
        outHigh[axis] = std::numeric_limits<float>::lowest();
    }
    for (int corner = 0; corner < 8; ++corner) {
        const Float3 p =
            TransformPoint({corner & 1 ? high[0] : low[0], corner & 2 ? high[1] : low[1],
                            corner & 4 ? high[2] : low[2]},
                           m);
        for (int axis = 0; axis < 3; ++axis) {
            outLow[axis] = std::min(outLow[axis], p[axis]);
            outHigh[axis] = std::max(outHigh[axis], p[axis]);
        }
    }
}

CModelNode::Bounds CModelNode::LargestBounds() const
{
    Bounds best;
    bool found = false;
    VisitPlacedMeshes(std::nullopt, [&](CMeshObject& meshObject, const Matrix4& placement) {
        const MeshData* mesh = meshObject.meshData.get();
        if (!mesh)
            return;
        Float3 low, high;
        TransformBox(mesh->boxMin, mesh->boxMax, placement, low, high);
        Bounds bounds;
        for (int axis = 0; axis < 3; ++axis)
            bounds.centre[axis] = (low[axis] + high[axis]) * 0.5f;
        bounds.radius = std::max(high[0] - low[0], high[1] - low[1]) * 0.5f;
        if (!std::isfinite(bounds.radius))
            return;
        if (!found || bounds.radius > best.radius) {
            best = bounds;
            found = true;
        }
    });
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
        // A skeleton's stand-in plays the node animation, which is offered below.
        if (meshObject->animationSet && meshObject->animationSet != nodeAnimation)
            hooks->reloadAnimationSet(*meshObject->animationSet, path);
    }
    if (nodeAnimation && !childReload)
        hooks->reloadAnimationSet(*nodeAnimation, path);
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
