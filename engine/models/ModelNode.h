// A loaded model is a tree of CModelNode objects; each node holds the mesh objects of one
// kept scene node. The root also owns the import (context and imported scene), so
// destroying the root releases the whole model.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "math/Matrix4.h"
#include "models/MeshObject.h"
#include "models/ModelImportContext.h"

struct aiScene;
class AnimationSet;
class CModelImporter;
struct CameraClip;

// Camera distances within which a level-of-detail node is drawn: start < distance <= end.
struct LodRange {
    float start = 0.0f;
    float end = 0.0f;
};

// Draws one mesh object; the scene provides it. Called after the tree has written the
// mesh object's world matrix and shader name.
using MeshDrawFunction = std::function<void(CMeshObject& meshObject, float time)>;
// Visits a mesh object with the matrix its tree places it with (before its own spin).
using PlacedMeshVisit = std::function<void(CMeshObject& meshObject, const Matrix4& placement)>;

class CModelNode {
   public:
    CModelNode(const CModelImporter* importer, std::string name);
    ~CModelNode();
    CModelNode(const CModelNode&) = delete;
    CModelNode& operator=(const CModelNode&) = delete;

    // Declared first so that it outlives the mesh objects that refer to it. Root only.
    std::unique_ptr<ModelImportContext> importContext;
    std::vector<std::unique_ptr<CModelNode>> children;  // in scene order
    std::vector<std::unique_ptr<CMeshObject>> meshObjects;
    Matrix4 transform = Matrix4::Identity();  // the world matrix of the whole tree (root's)
    // The scene node this node shows, in the root's node table; -1 for a node made by hand.
    int32_t sceneNode = -1;
    const aiScene* scene = nullptr;  // root only; owned by the import context
    uint8_t isRoot = 0;
    std::string name;
    const CModelImporter* importer = nullptr;
    std::string shaderName = "PBL Default";  // only the root's is used
    std::unique_ptr<LodRange> lodRange;      // LOD nodes only
    // Hidden by the user: the node and its subtree are neither drawn, counted nor framed.
    bool hidden = false;
    // Root only: the camera clip of the model file, staged by the load thread until the
    // scene accepts the model and hands the clip to the camera.
    std::shared_ptr<CameraClip> cameraClip;
    // Root only: the clips that move the model's nodes (rigid parts, the skeleton of a
    // file without mesh), made by the animation side; null for a model without animation.
    std::shared_ptr<AnimationSet> nodeAnimation;
    float nodeAnimationBlend = 0.0f;  // root only: the blend every mesh object also has
    // Root only: how fast the model's clips play, in percent (100 normal, 50 half speed),
    // 0 to 1000. The mesh objects keep the value as given too.
    int32_t animationSpeed = 100;

    // Draws every drawable mesh object of the tree (and a skeleton stand-in) where its
    // node stands, with the root's shader name. With an eye position, LOD nodes outside
    // their range are skipped with their subtrees; without one, all are drawn.
    void Draw(float time, const std::optional<Float3>& eye, const MeshDrawFunction& drawMesh);

    // Every mesh object of the nodes that are not hidden and pass the LOD test (all
    // without an eye), drawable or not, with its placement: its node's global transform now x the
    // tree's transform; a skinned mesh's node at rest, since its bones place it. Node, then
    // children.
    void VisitPlacedMeshes(const std::optional<Float3>& eye, const PlacedMeshVisit& visit) const;

    // True when the node is drawn for an eye at `eye` when it stands at `nodeWorld`.
    bool PassesLodTest(const std::optional<Float3>& eye, const Matrix4& nodeWorld) const;

    // The root's table of scene nodes; null on a tree made by hand.
    SceneNodes* Nodes() const { return importContext ? &importContext->sceneNodes : nullptr; }

    // Root, then the first child of each node down the first-child chain: all mesh objects.
    void SetVertexColorMode(uint32_t mode);
    void SetTextureUvSet(int slot, uint32_t uvSet);  // block 0; absent slots are skipped
    // True when some mesh object holds, in block 0 slot `slot`, a texture loaded from a
    // file (not a built-in). The exported HasTexture answers the opposite.
    bool HoldsFileTexture(int slot) const;
    CMeshObject* FirstMeshObject() const;

    // All nodes, children first, all mesh objects. Textures load through the installed
    // texture source, once for all mesh objects; without one nothing changes.
    void SetExtraTexture(const std::filesystem::path& fileName, int index);  // index 0 to 4
    void AssignTexture(int slot, const std::filesystem::path& path);         // slot of all 8 blocks
    void SetBlendValue(float blend);
    // All nodes, children first, the first mesh object of each node only.
    void SetRotation(bool x, bool y, bool z);
    void SetAnimationSpeed(int32_t speed);  // and the root's, clamped, for the whole model

    // Sums over the mesh objects that pass the LOD test; counts are the ones recorded when
    // the GPU buffers were created, so an undrawn model counts 0.
    uint64_t VertexCount(const std::optional<Float3>& eye) const;
    uint64_t TriangleCount(const std::optional<Float3>& eye) const;  // index total / 3

    struct Bounds {
        Float3 centre = {0.0f, 0.0f, 0.0f};
        float radius = 0.0f;
    };
    // The mesh with the largest radius in the world (the first of equal radii): its box
    // placed where it is drawn, the radius the larger half extent in x and y as for a
    // mesh's own bounds. Radius 0 without mesh.
    Bounds LargestBounds() const;

    // Node, then its children recursively.
    void CollectMeshObjects(std::vector<CMeshObject*>& out) const;
    bool HasAnyMesh() const;

    // A file changed on disk: true when it is the model file of any node, which the owner
    // answers with a deferred reload; such a node does not offer it to its animation sets,
    // the others do (their clips may come from it).
    bool OnFileChanged(const std::string& path);

   private:
    void VisitNode(const SceneNodes* nodes, const Matrix4& treeTransform,
                   const std::optional<Float3>& eye, const PlacedMeshVisit& visit) const;
    template <typename Visit>
    void ForFirstChildChain(Visit visit) const;
    template <typename Visit>
    void ForAllNodesChildrenFirst(Visit visit);
    void SumCounts(const std::optional<Float3>& eye, uint64_t& vertices, uint64_t& indices) const;
};

// A box given by two corners, moved by `m`: the box around its eight moved corners.
void TransformBox(const Float3& low, const Float3& high, const Matrix4& m, Float3& outLow,
                  Float3& outHigh);

// Tells the user whether a model with meshes is shown. Returns the number of the root's
// mesh objects, 1 when only nodes below the root hold some, otherwise shows a message box
// ("ModelInfo") and returns its result (1, the OK button).
using MessageBoxFunction = std::function<void(const std::string& title, const std::string& text)>;
int DumpModelInformation(const CModelNode* model, const MessageBoxFunction& showMessageBox);
int DumpModelInformation(const CModelNode* model);
