// The draw indices name an earlier vertex that packs to the same bytes: the triangles read the
// same bytes as through the face indices, and a mesh without repeats keeps its own indices.
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

bool SameBytes(const MeshData& mesh, uint32_t a, uint32_t b)
{
    return std::memcmp(mesh.vertices.data() + size_t{a} * mesh.stride,
                       mesh.vertices.data() + size_t{b} * mesh.stride, mesh.stride) == 0;
}

}  // namespace

TEST(SharedVertices, CornersNameAnEarlierIdenticalVertex)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // 3 repeats 0 and 4 repeats 2; 5 differs from 0 in its last bit and -0 is not +0; equal
    // NaN bits are the same vertex; an index past the vertices stays as it is.
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
    EXPECT_EQ(IndicesSharingRecentVertices(mesh),
              (std::vector<uint32_t>{0, 1, 2, 0, 2, 5, 0, 6, 99, 7, 8, 0}));

    EXPECT_TRUE(IndicesSharingRecentVertices(Packed({{1, 2}, {3, 4}, {5, 6}}, {0, 1, 2})).empty());
    EXPECT_TRUE(IndicesSharingRecentVertices(MeshData{}).empty());

    // Over several stretches: vertices come in identical pairs, and a twin a stretch away
    // is not looked for.
    std::vector<std::array<float, 2>> many;
    std::vector<uint32_t> corners;
    for (uint32_t v = 0; v < 300000; ++v) {
        many.push_back({static_cast<float>(v / 2), 0.5f});
        corners.push_back(v);
    }
    many[100000] = many[100001] = many[0];
    const std::vector<uint32_t> shared = IndicesSharingRecentVertices(Packed(many, corners));
    ASSERT_EQ(shared.size(), corners.size());
    EXPECT_EQ(shared[100000], 100000u);
    for (uint32_t v = 0; v < corners.size(); ++v)
        if (v != 100000)
            ASSERT_EQ(shared[v], v & ~1u) << v;
}

// Every mesh of real files: each corner reads the bytes its face index reads, from a vertex
// no later than it; a file's corners, each a vertex of its own after the import, share.
TEST(SharedVertices, RealFilesDrawTheSameBytes)
{
    size_t sharing = 0;
    for (const char* name : {"spider.fbx", "huesitos.fbx", "box.fbx"}) {
        const LibraryImport imported = ImportInThisProcess(kFbxDir + name, kModelImportFlags);
        ASSERT_TRUE(imported.scene) << name;
        ModelImportContext context;
        context.scene = Borrow(*imported.scene);
        for (unsigned m = 0; m < imported.scene->mNumMeshes; ++m) {
            MeshData mesh;
            mesh.context = &context;
            BuildMesh(context, mesh, *imported.scene->mMeshes[m], *imported.scene);
            if (mesh.drawIndices.empty())
                continue;
            ++sharing;
            ASSERT_EQ(mesh.drawIndices.size(), mesh.indices.size());
            for (size_t i = 0; i < mesh.indices.size(); ++i) {
                ASSERT_LE(mesh.drawIndices[i], mesh.indices[i]);
                ASSERT_TRUE(SameBytes(mesh, mesh.drawIndices[i], mesh.indices[i])) << name << i;
            }
        }
    }
    EXPECT_GT(sharing, 0u);
}
