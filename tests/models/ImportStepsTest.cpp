// The steps computed by the engine (degenerate faces, tangent space, splitting by vertex
// count, cache locality) give the scene the
// import library's own steps give: the same meshes, vertices and faces in the same order,
// the same primitive types, and normals, tangents and bitangents within 1e-5 (undefined
// ones undefined in both), on real files, generated tori (one large enough to be split by
// vertex count after the tangent space) and hand-made faces that are degenerate, without UV
// area, mirrored or not a number.
#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <assimp/Importer.hpp>
#include <climits>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FbxBinaryWriter.h"
#include "MeshBuilder.h"
#include "models/ImportSteps.h"
#include "models/LargeMeshSplit.h"
#include "models/ModelImporter.h"
#include "support/ScratchDirectory.h"

namespace {

namespace fs = std::filesystem;

// Both undefined, or within the tolerance component by component.
bool Near(const aiVector3D& a, const aiVector3D& b)
{
    for (int i = 0; i < 3; ++i) {
        if (std::isnan(a[i]) || std::isnan(b[i])) {
            if (std::isnan(a[i]) != std::isnan(b[i]))
                return false;
        } else if (!(std::fabs(a[i] - b[i]) <= 1e-5f)) {
            return false;
        }
    }
    return true;
}

void ExpectSameArrays(const aiVector3D* ours, const aiVector3D* library, unsigned count,
                      const char* what)
{
    ASSERT_EQ(ours == nullptr, library == nullptr) << what;
    if (!ours)
        return;
    unsigned differ = 0, first = 0;
    for (unsigned i = 0; i < count; ++i)
        if (!Near(ours[i], library[i]) && differ++ == 0)
            first = i;
    EXPECT_EQ(differ, 0u) << what << ", first at vertex " << first << ": (" << ours[first].x << ", "
                          << ours[first].y << ", " << ours[first].z << ") against ("
                          << library[first].x << ", " << library[first].y << ", "
                          << library[first].z << ")";
}

void ExpectSameNodes(const aiNode& ours, const aiNode& library)
{
    ASSERT_EQ(ours.mNumMeshes, library.mNumMeshes) << library.mName.C_Str();
    EXPECT_TRUE(std::equal(library.mMeshes, library.mMeshes + library.mNumMeshes, ours.mMeshes))
        << library.mName.C_Str();
    ASSERT_EQ(ours.mNumChildren, library.mNumChildren);
    for (unsigned c = 0; c < library.mNumChildren; ++c)
        ExpectSameNodes(*ours.mChildren[c], *library.mChildren[c]);
}

void ExpectSameScene(const aiScene& ours, const aiScene& library)
{
    ASSERT_EQ(ours.mNumMeshes, library.mNumMeshes);
    for (unsigned m = 0; m < library.mNumMeshes; ++m) {
        SCOPED_TRACE("mesh " + std::to_string(m));
        const aiMesh& a = *ours.mMeshes[m];
        const aiMesh& b = *library.mMeshes[m];
        ASSERT_EQ(a.mNumVertices, b.mNumVertices);
        ASSERT_EQ(a.mNumFaces, b.mNumFaces);
        EXPECT_EQ(a.mPrimitiveTypes, b.mPrimitiveTypes);
        EXPECT_EQ(a.mMaterialIndex, b.mMaterialIndex);
        EXPECT_STREQ(a.mName.C_Str(), b.mName.C_Str());
        bool sameFaces = true;
        for (unsigned f = 0; f < b.mNumFaces && sameFaces; ++f)
            sameFaces =
                a.mFaces[f].mNumIndices == b.mFaces[f].mNumIndices &&
                std::equal(b.mFaces[f].mIndices, b.mFaces[f].mIndices + b.mFaces[f].mNumIndices,
                           a.mFaces[f].mIndices);
        EXPECT_TRUE(sameFaces);
        ExpectSameArrays(a.mVertices, b.mVertices, b.mNumVertices, "positions");
        ExpectSameArrays(a.mNormals, b.mNormals, b.mNumVertices, "normals");
        ExpectSameArrays(a.mTangents, b.mTangents, b.mNumVertices, "tangents");
        ExpectSameArrays(a.mBitangents, b.mBitangents, b.mNumVertices, "bitangents");
        for (unsigned c = 0; c < AI_MAX_NUMBER_OF_TEXTURECOORDS; ++c) {
            ExpectSameArrays(a.mTextureCoords[c], b.mTextureCoords[c], b.mNumVertices, "UVs");
            EXPECT_EQ(a.mNumUVComponents[c], b.mNumUVComponents[c]);
        }
        for (unsigned c = 0; c < AI_MAX_NUMBER_OF_COLOR_SETS; ++c) {
            ASSERT_EQ(a.mColors[c] == nullptr, b.mColors[c] == nullptr);
            for (unsigned v = 0; a.mColors[c] && v < b.mNumVertices; ++v)
                ASSERT_EQ(a.mColors[c][v], b.mColors[c][v]);
        }
    }
    ExpectSameNodes(*ours.mRootNode, *library.mRootNode);
}

void ExpectSameImport(const fs::path& file, unsigned flags, bool mustImport = false)
{
    SCOPED_TRACE(file.string());
    Assimp::Importer libraryImporter, ownImporter;
    const aiScene* library = libraryImporter.ReadFile(file.string(), flags);
    const aiScene* ours = ReadFileWithOwnSteps(ownImporter, file.string(), flags);
    ASSERT_EQ(ours == nullptr, library == nullptr);
    ASSERT_TRUE(library || !mustImport) << libraryImporter.GetErrorString();
    if (library)
        ExpectSameScene(*ours, *library);
}

std::vector<fs::path> RealFiles()
{
    std::vector<fs::path> files;
    for (const char* folder : {"/usr/share/assimp/models/FBX", "/usr/share/assimp/models/OBJ"})
        if (fs::is_directory(folder))
            for (const fs::directory_entry& entry : fs::directory_iterator(folder))
                if (entry.is_regular_file() && entry.file_size() < (4u << 20))
                    files.push_back(entry.path());
    for (const fs::directory_entry& entry :
         fs::directory_iterator(fs::path(VORNIS_FIXTURES_DIR) / "blender"))
        if (entry.path().extension() == ".fbx")
            files.push_back(entry.path());
    return files;
}

TEST(ImportSteps, RealFilesGiveTheLibrarysScene)
{
    const std::vector<fs::path> files = RealFiles();
    ASSERT_GT(files.size(), 4u);
    for (const fs::path& file : files)
        ExpectSameImport(file, kModelImportFlags);
    ExpectSameImport(files.front(), kAnimationImportFlags);
}

TEST(ImportSteps, GeneratedAndHandMadeMeshesGiveTheLibrarysScene)
{
    testing_support::ScratchDirectory dir;
    // 350,000 triangles as separate corners: more vertices than the library keeps in one
    // mesh, so the split by vertices follows the tangent space.
    for (const auto& [segments, sides] : {std::pair{60, 25}, {700, 250}}) {
        assets::SceneNodeMesh torus{"torus", {}};
        assets::AddTorus(torus.geometry, 1.0f, 0.35f, segments, sides);
        const fs::path path = dir.path / ("torus" + std::to_string(segments) + ".fbx");
        ASSERT_EQ(assets::WriteBinaryFbxScene(path.string(), {torus}), "");
        ExpectSameImport(path, kModelImportFlags, true);
    }

    // One face of each kind, sharing corners: degenerate (collinear, repeated corner), no UV
    // area, mirrored UVs, a corner at NaN, a line and a point, and a quad.
    const fs::path obj = dir.Write("edges.obj",
                                   "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nv 2 0 0\nv nan 0 0\n"
                                   "v 0 0 1\nv 1 0 1\n"
                                   "vt 0 0\nvt 1 0\nvt 0 1\nvt 1 1\n"
                                   "vn 0 0 1\nvn 0 1 0\n"
                                   "f 1/1/1 2/2/1 3/3/1\nf 2/2/1 4/4/1 3/3/1\n"
                                   "f 1/1/1 2/1/1 3/1/1\nf 2/1/1 1/2/1 4/3/1\n"
                                   "f 1/1/1 2/2/1 5/3/1\nf 1/1/1 1/1/1 2/2/1\n"
                                   "f 6/1/1 2/2/1 3/3/1\nf 1/1/2 2/2/2 8/4/2 7/3/2\n"
                                   "l 1 2\np 3\n");
    ExpectSameImport(obj, kModelImportFlags, true);

    // Repeated corners: by index and by position alone, next to each other or not, in
    // triangles, quads and polygons of five (where only neighbours count), down to a point.
    const fs::path repeated = dir.Write("repeated.obj",
                                        "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 1 0 0\nv 2 2 0\n"
                                        "f 1 2 5\nf 1 2 3 5\nf 1 2 4 5\nf 1 1 1\nf 2 5 2\n"
                                        "f 1 2 5 3 4\nf 1 2 3 5 4\nf 1 2 3 4 1\nf 2 5 5 2 6\n");
    for (const unsigned flags : {unsigned{aiProcess_FindDegenerates}, kModelImportFlags})
        ExpectSameImport(repeated, flags, true);

    // Invalid data, mesh by mesh: texture coordinates all the same or not a number, a
    // normal of zero length or not a number.
    const fs::path invalid = dir.Write("invalid.obj",
                                       "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n"
                                       "vt 0.5 0.5\nvt 0 nan\nvt 1 0\n"
                                       "vn 0 0 1\nvn 0 0 0\nvn nan 0 1\n"
                                       "o same_uvs\nf 1/1/1 2/1/1 3/1/1\nf 2/1/1 4/1/1 3/1/1\n"
                                       "o nan_uv\nf 1/2/1 2/1/1 3/3/1\n"
                                       "o zero_normal\nf 1/1/2 2/3/1 3/1/1\n"
                                       "o nan_normal\nf 1/1/3 2/3/1 3/1/1\n"
                                       "o valid\nf 1/1/1 2/3/1 4/1/1\n");
    for (const unsigned flags : {unsigned{aiProcess_FindInvalidData}, kModelImportFlags})
        ExpectSameImport(invalid, flags, true);

    // 1,200 corners at distinct places crowded together (one far triangle makes them all
    // near each other): one cell of the near-position index, more distinct positions than
    // it compares, and near lists beyond what the tangent space keeps ahead.
    std::string crowded = "vn 0 0 1\n";
    uint32_t seed = 12345;
    auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    for (int v = 0; v < 1200; ++v)
        crowded += "v " + std::to_string(next() % 1000 * 1e-3) + " " +
                   std::to_string(next() % 1000 * 1e-3) + " 0\nvt " +
                   std::to_string(next() % 100 * 0.01) + " " + std::to_string(next() % 100 * 0.01) +
                   "\n";
    crowded += "v 1e5 0 0\nv 1e5 1 0\nv 1e5 0 1\nf 1201/1/1 1202/2/1 1203/3/1\n";
    for (int f = 0; f < 400; ++f)
        crowded += "f " + std::to_string(3 * f + 1) + "/" + std::to_string(3 * f + 1) + "/1 " +
                   std::to_string(3 * f + 2) + "/" + std::to_string(3 * f + 2) + "/1 " +
                   std::to_string(3 * f + 3) + "/" + std::to_string(3 * f + 3) + "/1\n";
    ExpectSameImport(dir.Write("crowded.obj", crowded), kModelImportFlags, true);
}

// The real files split with a limit small enough to cut most of their meshes into many
// pieces, colours and every UV channel included; meshes with bones stay the library's.
TEST(ImportSteps, SplittingByVertexCountGivesTheLibrarysPieces)
{
    constexpr unsigned kLimit = 40;
    unsigned split = 0;
    for (const fs::path& file : RealFiles()) {
        SCOPED_TRACE(file.string());
        Assimp::Importer libraryImporter, ownImporter;
        const unsigned flags =
            aiProcess_Triangulate | aiProcess_GenSmoothNormals | aiProcess_CalcTangentSpace;
        const aiScene* library = libraryImporter.ReadFile(file.string(), flags);
        const aiScene* ours = ownImporter.ReadFile(file.string(), flags);
        if (!library || !ours)
            continue;
        const unsigned before = ours->mNumMeshes;
        if (!SplitMeshesByVertexCount(const_cast<aiScene&>(*ours), kLimit))
            continue;
        libraryImporter.SetPropertyInteger(AI_CONFIG_PP_SLM_VERTEX_LIMIT, kLimit);
        libraryImporter.SetPropertyInteger(AI_CONFIG_PP_SLM_TRIANGLE_LIMIT, INT_MAX);
        library = libraryImporter.ApplyPostProcessing(aiProcess_SplitLargeMeshes);
        ASSERT_TRUE(library);
        ExpectSameScene(*ours, *library);
        split += ours->mNumMeshes > before;
    }
    EXPECT_GT(split, 10u);

    // A mesh over the limit whose faces use few of its vertices becomes one piece: the
    // library would keep naming the mesh it deleted; the scene must name the piece.
    aiScene scene;
    scene.mRootNode = new aiNode("root");
    scene.mRootNode->mNumMeshes = 1;
    scene.mRootNode->mMeshes = new unsigned[1]{0};
    scene.mNumMeshes = 1;
    scene.mMeshes = new aiMesh* [1] { new aiMesh };
    aiMesh& mesh = *scene.mMeshes[0];
    mesh.mNumVertices = 2 * kLimit;
    mesh.mVertices = new aiVector3D[mesh.mNumVertices];
    mesh.mVertices[7] = aiVector3D(1, 2, 3);
    mesh.mNumFaces = 1;
    mesh.mFaces = new aiFace[1];
    mesh.mFaces[0].mNumIndices = 3;
    mesh.mFaces[0].mIndices = new unsigned[3]{7, 1, 7 + kLimit};
    mesh.mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    ASSERT_TRUE(SplitMeshesByVertexCount(scene, kLimit));
    ASSERT_EQ(scene.mNumMeshes, 1u);
    const aiMesh& piece = *scene.mMeshes[0];
    ASSERT_EQ(piece.mNumVertices, 3u);
    EXPECT_EQ(piece.mVertices[0], aiVector3D(1, 2, 3));
    EXPECT_EQ(piece.mFaces[0].mIndices[2], 2u);
    EXPECT_EQ(scene.mRootNode->mMeshes[0], 0u);
}

}  // namespace
