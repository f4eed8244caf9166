// The engine's copy of one imported mesh: packed vertices, 32-bit indices, format word,
// bounds, and how to reach the import it came from.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "graphics/gpu/GpuForward.h"
#include "math/Matrix4.h"
#include "models/UninitialisedAllocator.h"

struct aiMesh;
struct aiScene;
struct ModelImportContext;

using VertexBytes = std::vector<uint8_t, UninitialisedAllocator<uint8_t>>;

struct MeshData {
    // The packed vertices, vertexCount x stride bytes, uploaded as they are. Where
    // `vertexPlaces` is not empty it holds the distinct ones only: most face corners pack to
    // the same bytes as a neighbour's (SharedVertices.h), and vertex v is the row
    // vertexPlaces[v]. Read a vertex through VertexAt.
    VertexBytes vertices;
    uint32_t vertexCount = 0;
    std::vector<uint32_t> indices;
    std::vector<uint32_t> vertexPlaces;
    uint8_t hasBones = 0;
    uint32_t format = 0;  // vertex-format word
    uint32_t stride = 0;  // bytes per vertex; 0 for a mesh refused for lack of vertices
    uint32_t materialIndex = 0;
    // Bit s set when the import gave UV set s; a missing set is packed as zeros.
    uint8_t uvSetMask = 0;
    const aiMesh* importedMesh = nullptr;  // not owned
    Float3 boundsCentre = {0.0f, 0.0f, 0.0f};
    float boundsRadius = 0.0f;
    // The box the centre and radius come from: the positions' extents, widened to hold the
    // mesh's origin.
    Float3 boxMin = {0.0f, 0.0f, 0.0f};
    Float3 boxMax = {0.0f, 0.0f, 0.0f};
    // The positions' own extents, for measuring the mesh; low above high without points.
    Float3 pointsMin = {0.0f, 0.0f, 0.0f};
    Float3 pointsMax = {-1.0f, -1.0f, -1.0f};
    ModelImportContext* context = nullptr;  // not owned

    // The GPU copy, made at the first draw of any mesh object showing this mesh: a mesh
    // that several nodes place is uploaded once. Window thread only.
    struct GpuBuffers {
        std::shared_ptr<gpu::Buffer> vertices;
        std::shared_ptr<gpu::Buffer> indices;
        // The normal and tangent lines of the overlays, made when first shown, with the
        // length they were made for: [0] normals, [1] tangents.
        struct Lines {
            std::shared_ptr<gpu::Buffer> buffer;
            uint32_t vertexCount = 0;
            float length = 0.0f;
        };
        std::array<Lines, 2> directionLines;
    };
    std::shared_ptr<GpuBuffers> gpu = std::make_shared<GpuBuffers>();

    // A refused mesh keeps its indices but has no vertices: nothing may draw or upload it.
    bool HasVertexData() const { return stride != 0 && !vertices.empty(); }

    // How many rows of packed bytes `vertices` holds, and whether every vertex has its row.
    size_t VertexRows() const { return stride == 0 ? 0 : vertices.size() / stride; }
    bool HasEveryVertex() const
    {
        return vertexPlaces.empty() ? VertexRows() >= vertexCount
                                    : vertexPlaces.size() >= vertexCount;
    }

    // The packed bytes of vertex `v` (stride of them), or null beyond the vertices.
    const uint8_t* VertexAt(uint32_t v) const
    {
        if (v >= vertexCount || (!vertexPlaces.empty() && v >= vertexPlaces.size()))
            return nullptr;
        const size_t row = vertexPlaces.empty() ? v : vertexPlaces[v];
        return row < VertexRows() ? vertices.data() + row * stride : nullptr;
    }
};

// Fills `mesh` from `importedMesh`: vertices, indices, material texture lists.
void BuildMesh(ModelImportContext& context, MeshData& mesh, const aiMesh& importedMesh,
               const aiScene& scene);

// Packs the vertices; returns the stride, or 0 when the mesh has no vertices. A mesh without
// UV set 0 is reported and packed with (0, 0) coordinates.
uint32_t BuildMeshVertices(const aiMesh& importedMesh, MeshData& mesh);

// Fills the context's material texture lists once per import.
void CollectMaterialTextures(const aiScene& scene, ModelImportContext& context);

// The format word and stride a mesh gets (UV set 0 is always part of it).
struct VertexLayout {
    uint32_t format = 0;
    uint32_t stride = 0;
};
VertexLayout ComputeVertexLayout(const aiMesh& importedMesh);
