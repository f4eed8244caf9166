#include "models/TangentSpace.h"

#include <cstring>  // before the library's qnan.h, which uses memcpy

#include <assimp/qnan.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "models/NearPositions.h"
#include "platform/ParallelFor.h"

namespace {

// The library's tolerances: normals this close count as the same, tangents within 45 degrees
// are smoothed together, positions closer than this share of the mesh's extent coincide.
constexpr float kSameNormal = 0.9999f;
constexpr float kMaxSmoothingDegrees = 45.0f;
constexpr float kPositionShare = 1e-4f;
constexpr size_t kChunk = 16384;

bool IsSpecial(const aiVector3D& v)
{
    return is_special_float(v.x) || is_special_float(v.y) || is_special_float(v.z);
}

float PositionEpsilon(const aiMesh& mesh)
{
    // The library's box, from 1e10 inwards; a part per core (minimum and maximum do not
    // depend on the order, and a NaN never replaces a number in them).
    const size_t chunks = (size_t{mesh.mNumVertices} + kChunk - 1) / kChunk;
    std::vector<std::pair<aiVector3D, aiVector3D>> boxes(chunks);
    platform::ParallelForStretches(
        mesh.mNumVertices, kChunk, [&](size_t chunk, size_t first, size_t end) {
            aiVector3D low(1e10f, 1e10f, 1e10f), high(-1e10f, -1e10f, -1e10f);
            for (size_t i = first; i < end; ++i) {
                const aiVector3D& p = mesh.mVertices[i];
                low = aiVector3D(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
                high =
                    aiVector3D(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
            }
            boxes[chunk] = {low, high};
        });
    aiVector3D low(1e10f, 1e10f, 1e10f), high(-1e10f, -1e10f, -1e10f);
    for (const auto& [l, h] : boxes) {
        low = aiVector3D(std::min(low.x, l.x), std::min(low.y, l.y), std::min(low.z, l.z));
        high = aiVector3D(std::max(high.x, h.x), std::max(high.y, h.y), std::max(high.z, h.z));
    }
    return (high - low).Length() * kPositionShare;
}

// The face's own tangent written to each of its corners, made perpendicular to the corner's
// normal. `writer` names the last face that uses each vertex: a vertex shared by faces gets
// what the last of them gives it, as one pass in face order would.
void FaceTangents(const aiMesh& mesh, unsigned f, const std::vector<uint32_t>& writer)
{
    const aiFace& face = mesh.mFaces[f];
    const aiVector3D* position = mesh.mVertices;
    const aiVector3D* normal = mesh.mNormals;
    const aiVector3D* uv = mesh.mTextureCoords[0];
    if (face.mNumIndices < 3) {
        const float qnan = get_qnan();
        for (unsigned i = 0; i < face.mNumIndices; ++i) {
            const unsigned p = face.mIndices[i];
            if (writer[p] == f) {
                mesh.mTangents[p] = aiVector3D(qnan);
                mesh.mBitangents[p] = aiVector3D(qnan);
            }
        }
        return;
    }
    // A polygon is taken to be planar: its first three corners decide.
    const unsigned p0 = face.mIndices[0], p1 = face.mIndices[1], p2 = face.mIndices[2];
    const aiVector3D v = position[p1] - position[p0], w = position[p2] - position[p0];
    float sx = uv[p1].x - uv[p0].x, sy = uv[p1].y - uv[p0].y;
    float tx = uv[p2].x - uv[p0].x, ty = uv[p2].y - uv[p0].y;
    const float direction = (tx * sy - ty * sx) < 0.0f ? -1.0f : 1.0f;
    // No area in UV space: the default directions.
    if (sx * ty == sy * tx) {
        sx = 0.0f;
        sy = 1.0f;
        tx = 1.0f;
        ty = 0.0f;
    }
    aiVector3D tangent, bitangent;
    tangent.x = (w.x * sy - v.x * ty) * direction;
    tangent.y = (w.y * sy - v.y * ty) * direction;
    tangent.z = (w.z * sy - v.z * ty) * direction;
    bitangent.x = (-w.x * sx + v.x * tx) * direction;
    bitangent.y = (-w.y * sx + v.y * tx) * direction;
    bitangent.z = (-w.z * sx + v.z * tx) * direction;

    for (unsigned b = 0; b < face.mNumIndices; ++b) {
        const unsigned p = face.mIndices[b];
        if (writer[p] != f)
            continue;
        const aiVector3D& n = normal[p];
        aiVector3D localTangent = tangent - n * (tangent * n);
        aiVector3D localBitangent =
            bitangent - n * (bitangent * n) - localTangent * (bitangent * localTangent);
        localTangent.NormalizeSafe();
        localBitangent.NormalizeSafe();
        // One of the two undefined: rebuilt from the normal and the other.
        const bool badTangent = IsSpecial(localTangent), badBitangent = IsSpecial(localBitangent);
        if (badTangent != badBitangent) {
            if (badTangent) {
                localTangent = n ^ localBitangent;
                localTangent.NormalizeSafe();
            } else {
                localBitangent = localTangent ^ n;
                localBitangent.NormalizeSafe();
            }
        }
        mesh.mTangents[p] = localTangent;
        mesh.mBitangents[p] = localBitangent;
    }
}

// The near vertices of each distinct position, found on all cores before the smoothing,
// which reads them only for the vertices it has not grouped yet. A chunk keeps no more lists
// past a bound (the smoothing then looks those up itself): positions crowded together cost
// no more memory than a few times the mesh.
class NearLists {
   public:
    NearLists(const NearPositions& finder, const aiVector3D* positions, uint32_t count)
        : finder(finder),
          positions(positions),
          first(finder.FirstAtSamePosition()),
          where(count, kNone),
          data((size_t{count} + kListChunk - 1) / kListChunk)
    {
        platform::ParallelFor(data.size(), [&](size_t chunk) {
            std::vector<uint32_t>& lists = data[chunk];
            const size_t budget = kListsPerVertex * kListChunk;
            std::vector<uint32_t> found;
            const uint32_t end =
                static_cast<uint32_t>(std::min<size_t>(count, (chunk + 1) * kListChunk));
            for (uint32_t v = static_cast<uint32_t>(chunk * kListChunk); v < end; ++v) {
                if (first[v] != v)
                    continue;
                this->finder.Find(positions[v], found);
                if (lists.size() + found.size() + 1 > budget)
                    break;
                where[v] = static_cast<uint32_t>(lists.size());
                lists.push_back(static_cast<uint32_t>(found.size()));
                lists.insert(lists.end(), found.begin(), found.end());
            }
        });
    }

    // The first vertex at the vertex's position (FirstAtSamePosition).
    uint32_t Owner(uint32_t vertex) const { return first[vertex]; }

    // What finder.Find gives for the vertex's position, from `scratch` when no list was kept.
    std::span<const uint32_t> Near(uint32_t vertex, std::vector<uint32_t>& scratch) const
    {
        const uint32_t owner = first[vertex];
        if (where[owner] == kNone) {
            finder.Find(positions[vertex], scratch);
            return scratch;
        }
        const uint32_t* list = data[owner / kListChunk].data() + where[owner];
        return {list + 1, list[0]};
    }

   private:
    static constexpr uint32_t kNone = UINT32_MAX;
    static constexpr size_t kListChunk = 65536;
    static constexpr size_t kListsPerVertex = 8;
    const NearPositions& finder;
    const aiVector3D* positions;
    std::vector<uint32_t> first;              // per vertex, the first at its position
    std::vector<uint32_t> where;              // per first vertex, its list in its chunk's lists
    std::vector<std::vector<uint32_t>> data;  // per chunk: each list's length, then its vertices
};

}  // namespace

bool ComputeTangentSpace(aiMesh& mesh)
{
    if (mesh.mTangents ||
        !(mesh.mPrimitiveTypes & (aiPrimitiveType_TRIANGLE | aiPrimitiveType_POLYGON)) ||
        !mesh.mNormals || !mesh.mTextureCoords[0] || !mesh.mFaces)
        return false;
    const unsigned count = mesh.mNumVertices;
    for (unsigned f = 0; f < mesh.mNumFaces; ++f)
        for (unsigned i = 0; i < mesh.mFaces[f].mNumIndices; ++i)
            if (mesh.mFaces[f].mIndices[i] >= count)
                return false;  // the library's validation refuses such a mesh

    // Which face writes each vertex last, and which vertices only points and lines use.
    std::vector<uint32_t> writer(count, UINT32_MAX);
    std::vector<uint8_t> done(count, 0);
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        for (unsigned i = 0; i < face.mNumIndices; ++i) {
            writer[face.mIndices[i]] = f;
            if (face.mNumIndices < 3)
                done[face.mIndices[i]] = 1;
        }
    }
    mesh.mTangents = new aiVector3D[count];
    mesh.mBitangents = new aiVector3D[count];
    platform::ParallelForStretches(mesh.mNumFaces, kChunk, [&](size_t, size_t first, size_t end) {
        for (size_t f = first; f < end; ++f)
            FaceTangents(mesh, static_cast<unsigned>(f), writer);
    });

    const NearPositions finder(mesh.mVertices, count, PositionEpsilon(mesh));
    const NearLists near(finder, mesh.mVertices, count);

    // Smoothing in vertex order: each vertex not yet in a group gathers the near vertices
    // whose normal is the same and whose tangent and bitangent are close to its own. It is
    // counted twice (it finds itself), as in the library's step.
    const float limit = std::cos(kMaxSmoothingDegrees * static_cast<float>(M_PI) / 180.0f);
    aiVector3D* tangents = mesh.mTangents;
    aiVector3D* bitangents = mesh.mBitangents;
    const aiVector3D* normals = mesh.mNormals;
    auto smoothGroupOf = [&](uint32_t a, std::span<const uint32_t> nearA,
                             std::vector<uint32_t>& group) {
        const aiVector3D normal = normals[a], tangent = tangents[a], bitangent = bitangents[a];
        group.assign(1, a);
        for (const uint32_t other : nearA) {
            if (done[other] || normals[other] * normal < kSameNormal ||
                tangents[other] * tangent < limit || bitangents[other] * bitangent < limit)
                continue;
            group.push_back(other);
            done[other] = 1;
        }
        aiVector3D smoothTangent(0, 0, 0), smoothBitangent(0, 0, 0);
        for (uint32_t member : group) {
            smoothTangent += tangents[member];
            smoothBitangent += bitangents[member];
        }
        smoothTangent.Normalize();
        smoothBitangent.Normalize();
        for (uint32_t member : group) {
            tangents[member] = smoothTangent;
            bitangents[member] = smoothBitangent;
        }
    };

    // A position whose near vertices all lie at exactly it stands apart: nearness goes both
    // ways, so no vertex elsewhere is near any of its vertices, and what its groups come to
    // depends on nothing else. Those positions are smoothed on all cores first, each one's
    // vertices in vertex order as the pass below would; the pass does the rest. (The
    // library's own index, where the grid cannot serve, is not known to be symmetric.)
    std::vector<uint8_t> apart(count, 0);
    if (finder.Symmetric()) {
        platform::ParallelForStretches(count, kChunk, [&](size_t, size_t first, size_t end) {
            std::vector<uint32_t> scratch, group;
            for (auto a = static_cast<uint32_t>(first); a < end; ++a) {
                if (near.Owner(a) != a)
                    continue;
                const std::span<const uint32_t> list = near.Near(a, scratch);
                bool stands = !list.empty() && std::is_sorted(list.begin(), list.end());
                for (size_t i = 0; i < list.size() && stands; ++i)
                    stands = near.Owner(list[i]) == a;
                if (!stands)
                    continue;
                for (const uint32_t b : list)
                    apart[b] = 1;
                for (const uint32_t b : list)
                    if (!done[b])
                        smoothGroupOf(b, list, group);
            }
        });
    }
    std::vector<uint32_t> group, found;
    for (unsigned a = 0; a < count; ++a)
        if (!done[a] && !apart[a])
            smoothGroupOf(a, near.Near(a, found), group);
    return true;
}
