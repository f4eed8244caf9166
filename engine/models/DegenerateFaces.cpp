#include "models/DegenerateFaces.h"

#include <assimp/mesh.h>

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "models/FacePrimitive.h"
#include "platform/ParallelFor.h"

namespace {

constexpr size_t kChunk = 65536;
// What the library leaves in a slot that a dropped corner freed.
constexpr unsigned kFreedSlot = 0xdeadbeef;

// Drops each corner that repeats the position of an earlier one. A polygon of more than four
// corners may pass through one place twice (a hole drawn as a concave outline): only
// neighbours count there.
void DropRepeatedCorners(aiFace& face, const aiVector3D* positions, unsigned vertexCount)
{
    for (unsigned i = 0; i < face.mNumIndices; ++i) {
        unsigned limit = face.mNumIndices;
        if (face.mNumIndices > 4)
            limit = std::min(limit, i + 2);
        for (unsigned t = i + 1; t < limit; ++t) {
            const unsigned a = face.mIndices[i], b = face.mIndices[t];
            if (a >= vertexCount || b >= vertexCount || !(positions[a] == positions[b]))
                continue;
            --face.mNumIndices;
            --limit;
            std::copy(face.mIndices + t + 1, face.mIndices + face.mNumIndices + 1,
                      face.mIndices + t);
            face.mIndices[face.mNumIndices] = kFreedSlot;
            --t;
        }
    }
}

}  // namespace

void FindDegenerateFaces(aiMesh& mesh)
{
    if (!mesh.mFaces || !mesh.mVertices) {
        mesh.mPrimitiveTypes = 0;
        return;
    }
    std::atomic<unsigned> types{0};
    platform::ParallelForStretches(mesh.mNumFaces, kChunk, [&](size_t, size_t first, size_t end) {
        unsigned found = 0;
        for (size_t f = first; f < end; ++f) {
            aiFace& face = mesh.mFaces[f];
            DropRepeatedCorners(face, mesh.mVertices, mesh.mNumVertices);
            found |= FacePrimitiveType(face.mNumIndices);
        }
        types.fetch_or(found);
    });
    mesh.mPrimitiveTypes = types.load();
}
