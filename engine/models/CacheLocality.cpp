#include "models/CacheLocality.h"

#include <assimp/scene.h>

#include <algorithm>
#include <assimp/DefaultLogger.hpp>
#include <cstdint>
#include <vector>

#include "platform/ParallelFor.h"

namespace {

// The library's default cache depth (its configuration property is not set by the engine).
constexpr uint32_t kCacheDepth = 12;

bool Applies(const aiMesh& mesh)
{
    return mesh.HasFaces() && mesh.HasPositions() &&
           mesh.mPrimitiveTypes == aiPrimitiveType_TRIANGLE && mesh.mNumVertices > kCacheDepth;
}

// Corners that miss a first-in first-out cache of the step's depth. Every corner missing
// means no vertex is shared, and the library, when it keeps a log, leaves such a mesh as it
// is.
bool EveryCornerMisses(const aiMesh& mesh)
{
    uint32_t cache[kCacheDepth];
    std::fill(std::begin(cache), std::end(cache), UINT32_MAX);
    unsigned next = 0;
    uint32_t misses = 0;
    for (unsigned f = 0; f < mesh.mNumFaces; ++f)
        for (unsigned c = 0; c < 3; ++c) {
            const uint32_t v = mesh.mFaces[f].mIndices[c];
            if (std::find(std::begin(cache), std::end(cache), v) != std::end(cache))
                continue;
            ++misses;
            cache[next] = v;
            next = (next + 1) % kCacheDepth;
        }
    // As the library compares: the ratio in single precision.
    return static_cast<float>(misses) / static_cast<float>(mesh.mNumFaces) == 3.0f;
}

}  // namespace

void ImproveCacheLocality(aiMesh& mesh)
{
    if (!Applies(mesh))
        return;
    if (!Assimp::DefaultLogger::isNullLogger() && EveryCornerMisses(mesh))
        return;
    const uint32_t vertexCount = mesh.mNumVertices, faceCount = mesh.mNumFaces;
    for (uint32_t f = 0; f < faceCount; ++f)
        if (mesh.mFaces[f].mNumIndices != 3)
            return;  // the primitive types lied: the library's validation refuses such a mesh
    for (uint32_t f = 0; f < faceCount; ++f)
        for (unsigned c = 0; c < 3; ++c)
            if (mesh.mFaces[f].mIndices[c] >= vertexCount)
                return;

    // Each vertex's faces in face order; `live` counts those not yet emitted, with one more
    // entry that stays zero for the walk's scan past the last vertex.
    std::vector<uint32_t> offset(vertexCount + 1, 0), live(vertexCount + 1, 0);
    for (uint32_t f = 0; f < faceCount; ++f)
        for (unsigned c = 0; c < 3; ++c)
            ++live[mesh.mFaces[f].mIndices[c]];
    for (uint32_t v = 0; v < vertexCount; ++v)
        offset[v + 1] = offset[v] + live[v];
    std::vector<uint32_t> adjacent(offset[vertexCount]);
    {
        std::vector<uint32_t> fill(offset.begin(), offset.end() - 1);
        for (uint32_t f = 0; f < faceCount; ++f)
            for (unsigned c = 0; c < 3; ++c)
                adjacent[fill[mesh.mFaces[f].mIndices[c]]++] = f;
    }

    std::vector<uint32_t> stamp(vertexCount, 0), candidates, deadEnds, order;
    std::vector<uint8_t> emitted(faceCount, 0);
    order.reserve(faceCount);
    uint32_t time = kCacheDepth + 1;
    int64_t fan = 0;
    uint32_t scan = 1;  // the library's scan for a fresh vertex starts past vertex 1
    while (fan >= 0) {
        const uint32_t center = static_cast<uint32_t>(fan);
        candidates.clear();
        for (uint32_t i = offset[center]; i < offset[center + 1]; ++i) {
            const uint32_t f = adjacent[i];
            if (emitted[f])
                continue;
            for (unsigned c = 0; c < 3; ++c) {
                const uint32_t v = mesh.mFaces[f].mIndices[c];
                if (v != center) {
                    deadEnds.push_back(v);
                    candidates.push_back(v);
                    --live[v];
                }
                if (time - stamp[v] > kCacheDepth)
                    stamp[v] = time++;
            }
            emitted[f] = 1;
            order.push_back(f);
        }
        live[center] = 0;

        // The next fan: the candidate that stays in the cache through its own fan and has
        // been in it longest, else the latest dead end with faces left, else the next vertex.
        fan = -1;
        int64_t best = -1;
        for (const uint32_t v : candidates) {
            if (live[v] == 0)
                continue;
            int64_t priority = 0;
            const uint32_t age = time - stamp[v];
            if (age + 2 * live[v] <= kCacheDepth)
                priority = age;
            if (priority > best) {
                best = priority;
                fan = v;
            }
        }
        while (fan < 0 && !deadEnds.empty()) {
            const uint32_t v = deadEnds.back();
            deadEnds.pop_back();
            if (live[v] > 0)
                fan = v;
        }
        while (fan < 0 && scan < vertexCount) {
            ++scan;
            if (live[scan] > 0)
                fan = scan;
        }
    }

    // Faces the walk never reached (the library leaves their places undefined) follow in
    // their own order. Each face keeps its corners; only the faces' order changes.
    if (order.size() < faceCount)
        for (uint32_t f = 0; f < faceCount; ++f)
            if (!emitted[f])
                order.push_back(f);
    std::vector<uint32_t> corners(size_t{3} * faceCount);
    for (uint32_t i = 0; i < faceCount; ++i)
        std::copy(mesh.mFaces[order[i]].mIndices, mesh.mFaces[order[i]].mIndices + 3,
                  &corners[size_t{3} * i]);
    for (uint32_t f = 0; f < faceCount; ++f)
        std::copy(&corners[size_t{3} * f], &corners[size_t{3} * f] + 3, mesh.mFaces[f].mIndices);
}

void ImproveCacheLocality(const aiScene& scene)
{
    if (!scene.mMeshes)
        return;
    platform::ParallelFor(scene.mNumMeshes, [&](size_t m) {
        if (scene.mMeshes[m])
            ImproveCacheLocality(*scene.mMeshes[m]);
    });
}
