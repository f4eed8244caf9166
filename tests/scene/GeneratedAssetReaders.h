// Readers for the generated run-time files, written independently of the generator so that
// the tests check the files, not the generator's own idea of them (the DDS files are read
// with the viewer's own reader). Paths are relative to
// the folder that holds the programs, which is the tests' working directory.
#pragma once

#include <assimp/cimport.h>
#include <assimp/scene.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace generated_assets {

// The post-processing word the viewer imports models with.
constexpr unsigned kViewerImportFlags = 0x01B79ECD;

struct SceneRelease {
    void operator()(const aiScene* scene) const { aiReleaseImport(scene); }
};
using ScenePtr = std::unique_ptr<const aiScene, SceneRelease>;

inline ScenePtr ImportLikeViewer(const std::string& path)
{
    return ScenePtr(aiImportFile(path.c_str(), kViewerImportFlags));
}

inline const aiNode* FindNode(const aiNode* node, const std::string& name)
{
    if (name == node->mName.C_Str())
        return node;
    for (unsigned i = 0; i < node->mNumChildren; ++i) {
        if (const aiNode* found = FindNode(node->mChildren[i], name))
            return found;
    }
    return nullptr;
}

inline const aiMesh* MeshOfNode(const aiScene& scene, const std::string& nodeName)
{
    const aiNode* node = FindNode(scene.mRootNode, nodeName);
    return node && node->mNumMeshes == 1 ? scene.mMeshes[node->mMeshes[0]] : nullptr;
}

struct Bounds {
    aiVector3D min{1e30f, 1e30f, 1e30f}, max{-1e30f, -1e30f, -1e30f};
};

inline Bounds BoundsOf(const aiMesh& mesh)
{
    Bounds b;
    for (unsigned i = 0; i < mesh.mNumVertices; ++i) {
        for (int k = 0; k < 3; ++k) {
            b.min[k] = std::min(b.min[k], mesh.mVertices[i][k]);
            b.max[k] = std::max(b.max[k], mesh.mVertices[i][k]);
        }
    }
    return b;
}

// Geometric normal from the index order: after the viewer's import this points to the side
// from which the triangle is a front face.
inline aiVector3D FaceNormal(const aiMesh& mesh, const aiFace& face)
{
    const aiVector3D& a = mesh.mVertices[face.mIndices[0]];
    return (mesh.mVertices[face.mIndices[1]] - a) ^ (mesh.mVertices[face.mIndices[2]] - a);
}

inline aiVector3D FaceCentre(const aiMesh& mesh, const aiFace& face)
{
    aiVector3D sum;
    for (unsigned i = 0; i < face.mNumIndices; ++i)
        sum += mesh.mVertices[face.mIndices[i]];
    return sum / static_cast<float>(face.mNumIndices);
}

inline float HalfToFloat(uint16_t h)
{
    const int exponent = (h >> 10) & 0x1F;
    const int mantissa = h & 0x3FF;
    float value;
    if (exponent == 0)
        value = std::ldexp(static_cast<float>(mantissa), -24);
    else if (exponent == 31)
        value = mantissa ? NAN : INFINITY;
    else
        value = std::ldexp(static_cast<float>(mantissa + 1024), exponent - 25);
    return (h & 0x8000) ? -value : value;
}

}  // namespace generated_assets
