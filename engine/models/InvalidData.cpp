#include "models/InvalidData.h"

#include <cstring>  // before the library's qnan.h, which uses memcpy

#include <assimp/qnan.h>
#include <assimp/scene.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/ParallelFor.h"

namespace {

constexpr size_t kChunk = 65536;

// What the library tests of an array: each counted vertex a number (and, for normals, not
// zero), and not all of them equal to the one before. `skipped` names the vertices left out.
bool ArrayIsValid(const aiVector3D* values, unsigned count, const std::vector<uint8_t>& skipped,
                  bool mayBeIdentical, bool mayBeZero)
{
    std::atomic<bool> bad{false}, differs{false};
    std::atomic<uint64_t> counted{0};
    platform::ParallelForStretches(count, kChunk, [&](size_t, size_t first, size_t end) {
        bool chunkDiffers = false;
        uint64_t chunkCounted = 0;
        for (size_t i = first; i < end && !bad.load(std::memory_order_relaxed); ++i) {
            if (!skipped.empty() && skipped[i])
                continue;
            ++chunkCounted;
            const aiVector3D& v = values[i];
            if (is_special_float(v.x) || is_special_float(v.y) || is_special_float(v.z) ||
                (!mayBeZero && !v.x && !v.y && !v.z)) {
                bad = true;
                return;
            }
            // Against the vertex before, counted or not, as the library compares.
            if (i && v != values[i - 1])
                chunkDiffers = true;
        }
        counted += chunkCounted;
        if (chunkDiffers)
            differs = true;
    });
    if (bad)
        return false;
    return !(counted > 1 && !differs && !mayBeIdentical);
}

// The vertices no face uses count for nothing, where the mesh has faces.
std::vector<uint8_t> UnusedVertices(const aiMesh& mesh)
{
    std::vector<uint8_t> unused(mesh.mNumVertices, mesh.mNumFaces != 0);
    for (unsigned f = 0; f < mesh.mNumFaces; ++f)
        for (unsigned i = 0; i < mesh.mFaces[f].mNumIndices; ++i)
            if (mesh.mFaces[f].mIndices[i] < mesh.mNumVertices)
                unused[mesh.mFaces[f].mIndices[i]] = 0;
    return unused;
}

template <typename T>
void Remove(T*& array)
{
    delete[] array;
    array = nullptr;
}

void ProcessMesh(aiMesh& mesh, std::vector<uint8_t>& skipped)
{
    const unsigned count = mesh.mNumVertices;
    for (unsigned set = 0; set < AI_MAX_NUMBER_OF_TEXTURECOORDS && mesh.mTextureCoords[set];
         ++set) {
        if (ArrayIsValid(mesh.mTextureCoords[set], count, skipped, false, true))
            continue;
        // The set and every set after it go.
        for (unsigned later = set; later < AI_MAX_NUMBER_OF_TEXTURECOORDS; ++later) {
            Remove(mesh.mTextureCoords[later]);
            mesh.mNumUVComponents[later] = 0;
        }
    }
    if (!mesh.mNormals && !mesh.mTangents)
        return;
    const unsigned types = mesh.mPrimitiveTypes;
    if (types & (aiPrimitiveType_POINT | aiPrimitiveType_LINE)) {
        // Directions mean nothing at points and lines; a mesh of nothing else keeps its own.
        if (!(types & (aiPrimitiveType_TRIANGLE | aiPrimitiveType_POLYGON)))
            return;
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices >= 3 || face.mNumIndices == 0)
                continue;
            skipped[face.mIndices[0]] = 1;
            if (face.mNumIndices == 2)
                skipped[face.mIndices[1]] = 1;
        }
    }
    if (mesh.mNormals && !ArrayIsValid(mesh.mNormals, count, skipped, true, false))
        Remove(mesh.mNormals);
    if (mesh.mTangents && !ArrayIsValid(mesh.mTangents, count, skipped, false, true)) {
        Remove(mesh.mTangents);
        Remove(mesh.mBitangents);
    }
    if (mesh.mBitangents && !ArrayIsValid(mesh.mBitangents, count, skipped, false, true)) {
        Remove(mesh.mBitangents);
        Remove(mesh.mTangents);
    }
}

}  // namespace

bool RemoveInvalidMeshData(aiScene& scene)
{
    if (scene.mNumAnimations > 0 || (scene.mNumMeshes > 0 && !scene.mMeshes))
        return false;
    std::vector<std::vector<uint8_t>> skipped(scene.mNumMeshes);
    for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
        const aiMesh* mesh = scene.mMeshes[m];
        if (!mesh)
            return false;
        for (unsigned f = 0; f < mesh->mNumFaces; ++f)
            for (unsigned i = 0; i < mesh->mFaces[f].mNumIndices; ++i)
                if (mesh->mFaces[f].mIndices[i] >= mesh->mNumVertices)
                    return false;  // the library's validation refuses such a mesh
        skipped[m] = UnusedVertices(*mesh);
        if (mesh->mVertices &&
            !ArrayIsValid(mesh->mVertices, mesh->mNumVertices, skipped[m], false, true))
            return false;
    }
    for (unsigned m = 0; m < scene.mNumMeshes; ++m)
        ProcessMesh(*scene.mMeshes[m], skipped[m]);
    return true;
}
