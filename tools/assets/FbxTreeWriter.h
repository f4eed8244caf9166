// Writes FBX files with what real exporters put in them and the import library's own exporter
// cannot: a node tree with transforms and pivots, meshes placed by several nodes, skins, and
// animation takes. Binary (version 7400) or ASCII, from one description. Used by the tests,
// which also compute from the same description, independently of the engine, where every
// node and vertex stands.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "FbxRecord.h"
#include "MeshBuilder.h"

namespace assets {

// The transform of a node as FBX composes it (column vectors):
// T x Rpivot x Rpre x R x Rpivot^-1 x Spivot x S x Spivot^-1, R from XYZ Euler degrees
// (x applied first).
struct FbxNodeTransform {
    Vec3 translation{};
    Vec3 rotation{};  // degrees
    Vec3 scaling{1, 1, 1};
    Vec3 rotationPivot{};
    Vec3 scalingPivot{};
    Vec3 preRotation{};  // degrees
};

struct FbxTreeNode {
    std::string name;
    int parent = -1;  // index of the parent node; -1: the scene's root
    FbxNodeTransform transform;
    int mesh = -1;      // index into FbxTree::meshes, or none
    int material = -1;  // index into FbxTree::materials, with a mesh
    bool bone = false;  // a skeleton joint (LimbNode)
};

struct FbxTreeMaterial {
    std::string name;
    Vec3 diffuse{0.8f, 0.8f, 0.8f};
    // As the exporter stores it: a path relative to the model file, or absolute.
    std::string diffuseTexture{};
    // Written as Blender writes them (ReflectionFactor, Shininess); negative: not written.
    float metallic = -1.0f;
    float roughness = -1.0f;
};

// One bone's share of a mesh: vertex indices and weights.
struct FbxSkinCluster {
    int bone = -1;  // node index
    std::vector<int32_t> vertices;
    std::vector<double> weights;
};

// The skin of the mesh that node `node` places, bound in the rest pose of the tree.
struct FbxTreeSkin {
    int node = -1;
    std::vector<FbxSkinCluster> clusters;
};

struct FbxKey {
    double seconds = 0;
    Vec3 value{};
};

// Keys of one node's translation ('T'), rotation in degrees ('R') or scaling ('S'),
// interpolated linearly.
struct FbxChannel {
    int node = -1;
    char property = 'T';
    std::vector<FbxKey> keys;
};

struct FbxTake {
    std::string name;
    double seconds = 1;
    std::vector<FbxChannel> channels;
};

struct FbxTree {
    std::vector<MeshGeometry> meshes;
    std::vector<FbxTreeMaterial> materials;
    std::vector<FbxTreeNode> nodes;  // parents before children
    std::vector<FbxTreeSkin> skins;
    std::vector<FbxTake> takes;  // 24 frames a second
    std::string creator = "vornis-make-assets";
};

// Returns an empty string on success, otherwise the reason.
std::string WriteFbxTree(const std::string& path, const FbxTree& tree, FbxEncoding encoding);

// Column-major 4 x 4 for column vectors: m[column][row]. Translation in m[3].
using FbxMatrix = std::array<std::array<double, 4>, 4>;
FbxMatrix Multiply(const FbxMatrix& a, const FbxMatrix& b);  // a x b
FbxMatrix Inverse(const FbxMatrix& m);
Vec3 Apply(const FbxMatrix& m, Vec3 p);

// The node's transform within its parent, with `take` (when given) sampled at `seconds`
// as the file's curves play it.
FbxMatrix LocalTransform(const FbxTree& tree, int node, const FbxTake* take = nullptr,
                         double seconds = 0);
// The node's transform in the scene: its parents' locals times its own.
FbxMatrix GlobalTransform(const FbxTree& tree, int node, const FbxTake* take = nullptr,
                          double seconds = 0);

}  // namespace assets
