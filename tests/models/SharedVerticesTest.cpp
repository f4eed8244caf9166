// The kept vertices are the mesh's less its recent repeats: every vertex reads its own bytes
// through its place, and a mesh without repeats keeps its own vertices.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "ModelTestSupport.h"
#include "models/LibraryImport.h"
#include "models/MeshData.h"
#include "models/ModelImportContext.h"
#include "models/ModelImporter.h"
#include "models/SharedVertices.h"

using namespace modeltest;

namespace {

// A mesh of two-float vertices.
MeshData Packed(const std::vector<std::array<float, 2>>& vertices, std::vector<uint32_t> indices)
{
    MeshData mesh;
    mesh.stride = 8;
    mesh.vertexCount = static_cast<uint32_t>(vertices.size());
    mesh.vertices.resize(vertices.size() * 8);
    std::memcpy(mesh.vertices.data(), vertices.data(), mesh.vertices.size());
    mesh.indices = std::move(indices);
    return mesh;
}

// The distinct vertices of a mesh packed already.
DistinctVertexSet Distinct(const MeshData& mesh)
{
    return DistinctVertices(mesh.vertexCount, mesh.stride,
                            [&](uint32_t first, uint32_t, VertexBytes&) {
                                return mesh.vertices.data() + size_t{first} * mesh.stride;
                            });
}

// Vertex v's packed bytes, and what it reads through its place among the kept vertices.
bool ReadAsBefore(const MeshData& mesh, const DistinctVertexSet& draw, uint32_t v)
{
    return draw.places[v] * size_t{mesh.stride} < draw.vertices.size() &&
           std::memcmp(mesh.vertices.data() + size_t{v} * mesh.stride,
                       draw.vertices.data() + size_t{draw.places[v]} * mesh.stride,
                       mesh.stride) == 0;
}

}  // namespace

TEST(SharedVertices, CornersNameAnEarlierIdenticalVertex)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // 3 repeats 0 and 4 repeats 2; 5 differs from 0 in its last bit and -0 is not +0; equal
    // NaN bits are the same vertex.
    const MeshData mesh = Packed({{1, 2},
                                  {3, 4},
                                  {nan, 0.0f},
                                  {1, 2},
                                  {nan, 0.0f},
                                  {1, std::nextafter(2.0f, 3.0f)},
                                  {3, -4},
                                  {1, -0.0f},
                                  {1, 0.0f}},
                                 {0, 1, 2, 3, 4, 5, 3, 6, 99, 7, 8, 0});
    const DistinctVertexSet draw = Distinct(mesh);
    EXPECT_EQ(draw.places, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3, 4, 5, 6}));
    ASSERT_EQ(draw.vertices.size(), 7u * 8);
    for (uint32_t v = 0; v < mesh.vertexCount; ++v)
        EXPECT_TRUE(ReadAsBefore(mesh, draw, v)) << v;

    // Nothing repeats: every vertex is kept, in its place.
    const MeshData distinct = Packed({{1, 2}, {3, 4}, {5, 6}}, {0, 1, 2});
    const DistinctVertexSet none = Distinct(distinct);
    EXPECT_TRUE(none.places.empty() && none.vertices == distinct.vertices);
    EXPECT_TRUE(Distinct(MeshData{}).vertices.empty());

    // Over several stretches: vertices come in identical pairs, and a twin a stretch away
    // is not looked for.
    std::vector<std::array<float, 2>> many;
    std::vector<uint32_t> corners;
    for (uint32_t v = 0; v < 300000; ++v) {
        many.push_back({static_cast<float>(v / 2), 0.5f});
        corners.push_back(299999 - v);
    }
    many[100000] = many[100001] = many[0];
    const MeshData pairs = Packed(many, corners);
    const DistinctVertexSet shared = Distinct(pairs);
    ASSERT_EQ(shared.places.size(), many.size());
    EXPECT_EQ(shared.vertices.size(), 150000u * 8);  // one a pair, 100000 not dropped for 0
    for (uint32_t v = 0; v < many.size(); ++v)
        ASSERT_TRUE(ReadAsBefore(pairs, shared, v)) << v;
    EXPECT_EQ(shared.places[100000], 50000u);
    EXPECT_EQ(shared.places[100001], 50000u);
}

// Every mesh of real files keeps fewer vertices, and each vertex reads the bytes it was
// packed to; a file's corners, each a vertex of its own after the import, share.
TEST(SharedVertices, RealFilesDrawTheSameBytes)
{
    size_t sharing = 0;
    for (const char* name : {"spider.fbx", "huesitos.fbx", "box.fbx"}) {
        const LibraryImport imported = ImportInThisProcess(kFbxDir + name, kModelImportFlags);
        ASSERT_TRUE(imported.scene) << name;
        ModelImportContext context;
        context.scene = Borrow(*imported.scene);
        for (unsigned m = 0; m < imported.scene->mNumMeshes; ++m) {
            MeshData mesh, packed;
            mesh.context = packed.context = &context;
            BuildMesh(context, mesh, *imported.scene->mMeshes[m], *imported.scene);
            BuildMeshVertices(*imported.scene->mMeshes[m], packed);
            if (mesh.vertexPlaces.empty())
                continue;
            ++sharing;
            ASSERT_EQ(mesh.vertexPlaces.size(), mesh.vertexCount);
            ASSERT_LT(mesh.vertices.size(), packed.vertices.size());
            for (uint32_t v = 0; v < mesh.vertexCount; ++v)
                ASSERT_TRUE(mesh.VertexAt(v) &&
                            std::memcmp(mesh.VertexAt(v), packed.VertexAt(v), mesh.stride) == 0)
                    << name << v;
        }
    }
    EXPECT_GT(sharing, 0u);
}
