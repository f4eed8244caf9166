#include "models/ImportSteps.h"

#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <assimp/Importer.hpp>
#include <climits>
#include <vector>

#include "models/CacheLocality.h"
#include "models/DegenerateFaces.h"
#include "models/InvalidData.h"
#include "models/LargeMeshSplit.h"
#include "models/TangentSpace.h"

namespace {

// The library's order, in groups around our two steps. Validation runs as the file is read.
constexpr unsigned kBeforeDegenerates =
    aiProcess_ValidateDataStructure | aiProcess_MakeLeftHanded | aiProcess_FlipUVs |
    aiProcess_FlipWindingOrder | aiProcess_RemoveRedundantMaterials | aiProcess_FindInstances |
    aiProcess_GenUVCoords | aiProcess_Triangulate;
// The steps around the invalid-data step. The library's mesh joining reads the flags of the
// call it runs in: it keeps primitive types apart when sorting by them is asked for too, and
// keeps joined meshes within the splitting's limits when splitting is; so it is called with
// both, sorting again having nothing left to do.
constexpr unsigned kAfterInvalidData =
    aiProcess_SortByPType | aiProcess_OptimizeMeshes | aiProcess_SplitLargeMeshes;
constexpr unsigned kBeforeNormals = kAfterInvalidData | aiProcess_FindInvalidData;
// Large-mesh splitting has two halves: by faces before the tangent space, by vertices after.
constexpr unsigned kAfterTangents =
    aiProcess_SplitLargeMeshes | aiProcess_LimitBoneWeights | aiProcess_ImproveCacheLocality;
constexpr unsigned kOwnSteps = aiProcess_FindDegenerates | aiProcess_FindInvalidData |
                               aiProcess_CalcTangentSpace | aiProcess_SplitLargeMeshes |
                               aiProcess_ImproveCacheLocality;
constexpr unsigned kKnownSteps =
    kBeforeDegenerates | kBeforeNormals | aiProcess_GenSmoothNormals | kAfterTangents | kOwnSteps;

std::vector<aiMesh*> MeshesWithoutNormals(const aiScene& scene)
{
    std::vector<aiMesh*> meshes;
    for (unsigned m = 0; scene.mMeshes && m < scene.mNumMeshes; ++m)
        if (scene.mMeshes[m] && !scene.mMeshes[m]->mNormals)
            meshes.push_back(scene.mMeshes[m]);
    return meshes;
}

void ForEachMesh(const aiScene& scene, void (*step)(aiMesh&))
{
    for (unsigned m = 0; scene.mMeshes && m < scene.mNumMeshes; ++m)
        if (scene.mMeshes[m])
            step(*scene.mMeshes[m]);
}

}  // namespace

const aiScene* ReadFileWithOwnSteps(Assimp::Importer& importer, const std::string& path,
                                    unsigned flags)
{
    if (!(flags & kOwnSteps) || (flags & ~kKnownSteps) != 0)
        return importer.ReadFile(path, flags);
    const aiScene* scene = importer.ReadFile(path, flags & kBeforeDegenerates);
    // The importer's steps change the scene it owns; ours do the same.
    if (scene && (flags & aiProcess_FindDegenerates))
        ForEachMesh(*scene, FindDegenerateFaces);
    if (scene && (flags & aiProcess_SortByPType))
        scene = importer.ApplyPostProcessing(aiProcess_SortByPType);
    if (scene && (flags & aiProcess_FindInvalidData) &&
        !RemoveInvalidMeshData(const_cast<aiScene&>(*scene)))
        scene = importer.ApplyPostProcessing(aiProcess_FindInvalidData);
    if (scene && (flags & kAfterInvalidData)) {
        // Only the face half of large-mesh splitting here; the vertex half follows the
        // tangent space.
        importer.SetPropertyInteger(AI_CONFIG_PP_SLM_VERTEX_LIMIT, INT_MAX);
        scene = importer.ApplyPostProcessing(flags & kAfterInvalidData);
        importer.SetPropertyInteger(AI_CONFIG_PP_SLM_VERTEX_LIMIT, AI_SLM_DEFAULT_MAX_VERTICES);
    }
    if (scene && (flags & aiProcess_GenSmoothNormals)) {
        // The library's normals face the way the file's winding said, before the winding
        // was flipped: it learns of the flip from the flags of the same call. Run alone, its
        // step cannot, so the normals it makes are turned round here.
        const std::vector<aiMesh*> generated = (flags & aiProcess_FlipWindingOrder)
                                                   ? MeshesWithoutNormals(*scene)
                                                   : std::vector<aiMesh*>();
        scene = importer.ApplyPostProcessing(aiProcess_GenSmoothNormals);
        for (aiMesh* mesh : generated)
            if (scene && mesh->mNormals)
                for (unsigned v = 0; v < mesh->mNumVertices; ++v)
                    mesh->mNormals[v] = -mesh->mNormals[v];
    }
    if (scene && (flags & aiProcess_CalcTangentSpace))
        ForEachMesh(*scene, [](aiMesh& mesh) { ComputeTangentSpace(mesh); });
    // The vertex half of splitting, then the bone-weight limit, then the cache locality.
    if (scene && (flags & aiProcess_SplitLargeMeshes) &&
        !SplitMeshesByVertexCount(const_cast<aiScene&>(*scene), AI_SLM_DEFAULT_MAX_VERTICES))
        scene = importer.ApplyPostProcessing(aiProcess_SplitLargeMeshes);
    if (scene && (flags & aiProcess_LimitBoneWeights))
        scene = importer.ApplyPostProcessing(aiProcess_LimitBoneWeights);
    if (scene && (flags & aiProcess_ImproveCacheLocality))
        ImproveCacheLocality(*scene);
    return scene;
}
