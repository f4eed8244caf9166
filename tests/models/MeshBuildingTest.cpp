// Packed vertices, format words, bounds, bone weights and material lists of built meshes.
#include <cstring>

#include "ModelTestSupport.h"
#include "models/MeshData.h"
#include "models/MeshObject.h"
#include "models/ModelImportContext.h"

using namespace modeltest;

namespace {

class MeshBuilding : public ModelTest {
   protected:
    // Builds mesh 0 of `scene` into `mesh` with a fresh context.
    void Build(const aiScene& scene)
    {
        context.scene = Borrow(scene);
        mesh.context = &context;
        BuildMesh(context, mesh, *scene.mMeshes[0], scene);
    }
    // Float number `index` of vertex `vertex`.
    float At(uint32_t vertex, size_t index) const
    {
        float value;
        std::memcpy(&value, mesh.vertices.data() + vertex * mesh.stride + index * 4, 4);
        return value;
    }
    std::vector<float> Range(uint32_t vertex, size_t first, size_t count) const
    {
        std::vector<float> values;
        for (size_t i = 0; i < count; ++i)
            values.push_back(At(vertex, first + i));
        return values;
    }

    ModelImportContext context;
    MeshData mesh;
};

// Every attribute: position, normal, tangent space, UV sets 0 and 1, two colour sets, bones.
aiMesh* MakeFullMesh()
{
    aiMesh* m = MakeMesh(3);
    m->mNormals = FilledVectors(3, {0, 1, 0});
    m->mTangents = FilledVectors(3, {1, 0, 0});
    m->mBitangents = FilledVectors(3, {0, 0, 1});
    m->mTextureCoords[1] = FilledVectors(3, {0.25f, 0.75f, 9.0f});
    m->mNumUVComponents[1] = 2;
    for (int set = 0; set < 2; ++set) {
        m->mColors[set] = new aiColor4D[3];
        for (int v = 0; v < 3; ++v)
            m->mColors[set][v] =
                set == 0 ? aiColor4D(0.1f, 0.2f, 0.3f, 0.4f) : aiColor4D(9, 9, 9, 9);
    }
    SetBones(*m, {MakeBone("hip", {{0, 0.5f}, {1, 1.0f}}), MakeBone("knee", {{0, 0.5f}})});
    return m;
}

}  // namespace

TEST_F(MeshBuilding, PositionAndUvOnlyGivesStride24AndWord3)
{
    auto scene = MakeScene({MakeMesh(3)});
    Build(*scene);
    EXPECT_EQ(mesh.stride, 24u);
    EXPECT_EQ(mesh.format, 0x0003u);
    EXPECT_EQ(mesh.vertexCount, 3u);
    ASSERT_EQ(mesh.vertices.size(), 3u * 24u);
    EXPECT_EQ(Range(2, 0, 6), (std::vector<float>{2, 4, 6, 1, 2, -2}));
    EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_TRUE(Logged("Model is missing tangents and bitangents", MessageLevelError));
}

TEST_F(MeshBuilding, FullAttributeSetGivesStride192AndWord7B9FWithColoursBeforeBones)
{
    auto scene = MakeScene({MakeFullMesh()});
    Build(*scene);
    EXPECT_EQ(mesh.stride, 192u);
    EXPECT_EQ(mesh.format, 0x7B9Fu);
    EXPECT_EQ(mesh.hasBones, 1);
    EXPECT_EQ(Range(1, 0, 4), (std::vector<float>{1, 2, 3, 1}));                 // position
    EXPECT_EQ(Range(1, 4, 4), (std::vector<float>{0, 1, 0, 1}));                 // normal
    EXPECT_EQ(Range(1, 8, 4), (std::vector<float>{1, 0, 0, 1}));                 // tangent
    EXPECT_EQ(Range(1, 12, 4), (std::vector<float>{0, 0, 1, 1}));                // bitangent
    EXPECT_EQ(Range(1, 16, 2), (std::vector<float>{1, -1}));                     // UV set 0
    EXPECT_EQ(Range(1, 18, 6), (std::vector<float>{0.25f, 0.75f, 0, 0, 0, 0}));  // sets 1-3
    for (int copy = 0; copy < 4; ++copy)  // colour set 0, four times; set 1 never
        EXPECT_EQ(Range(1, 24 + 4 * copy, 4), (std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f}));
    // Vertex 0 is weighted by both bones, vertex 1 by bone 0 only.
    EXPECT_EQ(Range(0, 40, 8), (std::vector<float>{0, 1, 0, 0, 0.5f, 0.5f, 0, 0}));
    EXPECT_EQ(Range(1, 40, 8), (std::vector<float>{0, 0, 0, 0, 1.0f, 0, 0, 0}));
    EXPECT_FALSE(Logged("Model is missing tangents and bitangents", MessageLevelError));
}

TEST_F(MeshBuilding, TexSetsWordAddsSetsOneToThreeWithZeroForMissingSets)
{
    aiMesh* m = MakeMesh(3);
    m->mTextureCoords[1] = FilledVectors(3, {0.5f, 0.5f, 0});
    m->mTextureCoords[3] = FilledVectors(3, {0.125f, 0.375f, 0});  // set 2 missing
    auto scene = MakeScene({m});
    Build(*scene);
    EXPECT_EQ(mesh.format, 0x0383u);
    EXPECT_EQ(mesh.stride, 48u);
    EXPECT_EQ(Range(0, 6, 6), (std::vector<float>{0.5f, 0.5f, 0, 0, 0.125f, 0.375f}));
}

TEST_F(MeshBuilding, BoundsStartAtTheOriginAndIgnoreDepthForTheRadius)
{
    aiMesh* m = MakeMesh(3);
    m->mVertices[0] = {2, 2, 2};
    m->mVertices[1] = {4, 3, 4};
    m->mVertices[2] = {3, 4, 3};
    auto scene = MakeScene({m});
    Build(*scene);
    EXPECT_EQ(mesh.boundsCentre, (Float3{2, 2, 2}));
    EXPECT_FLOAT_EQ(mesh.boundsRadius, 2.0f);

    MeshData deep;
    aiMesh* tall = MakeMesh(3);
    tall->mVertices[0] = {-1, 0, 0};
    tall->mVertices[1] = {1, 0.5f, 100};
    tall->mVertices[2] = {0, 0, -100};
    auto second = MakeScene({tall});
    deep.context = &context;
    BuildMesh(context, deep, *tall, *second);
    EXPECT_EQ(deep.boundsCentre, (Float3{0, 0.25f, 0}));
    EXPECT_FLOAT_EQ(deep.boundsRadius, 1.0f);
}

TEST_F(MeshBuilding, FifthWeightOfAVertexIsDropped)
{
    aiMesh* m = MakeMesh(3);
    std::vector<aiBone*> bones;
    const char* names[] = {"b0", "b1", "b2", "b3", "b4"};
    for (int b = 0; b < 5; ++b)
        bones.push_back(MakeBone(names[b], {{2, 1.0f / float(2 << b)}}));
    SetBones(*m, bones);
    auto scene = MakeScene({m});
    Build(*scene);
    EXPECT_EQ(mesh.stride, 56u);
    EXPECT_EQ(Range(2, 6, 8), (std::vector<float>{0, 1, 2, 3, 0.5f, 0.25f, 0.125f, 0.0625f}));
    EXPECT_EQ(context.boneCount, 5u);  // the bone itself is still numbered
}

TEST_F(MeshBuilding, BonesAreNumberedModelWideButVerticesUseMeshPositions)
{
    aiMesh* first = MakeMesh(3);
    SetBones(*first, {MakeBone("spine", {{0, 1.0f}})});
    first->mBones[0]->mOffsetMatrix.a4 = 5.0f;
    aiMesh* second = MakeMesh(3);
    SetBones(*second, {MakeBone("head", {{0, 1.0f}}), MakeBone("spine", {{1, 1.0f}})});
    auto scene = MakeScene({first, second});
    Build(*scene);
    MeshData other;
    other.context = &context;
    BuildMesh(context, other, *second, *scene);

    EXPECT_EQ(context.boneCount, 2u);
    EXPECT_EQ(context.boneNames.at("spine"), 0u);
    EXPECT_EQ(context.boneNames.at("head"), 1u);
    ASSERT_EQ(context.boneTable.size(), 2u);
    EXPECT_EQ(context.boneTable[0].offset.m[0][3], 5.0f);
    EXPECT_EQ(context.boneTable[0].finalTransform, Matrix4::Identity());
    float boneOfVertex1;
    std::memcpy(&boneOfVertex1, other.vertices.data() + other.stride + 24, 4);
    EXPECT_EQ(boneOfVertex1, 1.0f);  // "spine" is bone 1 of the second mesh
}

// Untextured meshes are common in real files: they are drawn at UV (0, 0), after the error
// line and a note naming them. Their tangent frame is made from the normal (any one will
// do at a constant UV), so that they use the variants of textured meshes.
TEST_F(MeshBuilding, MeshWithoutUvSetZeroIsDrawnAtUvZeroAndNamed)
{
    aiMesh* m = MakeMesh(6);
    delete[] m->mTextureCoords[0];
    m->mTextureCoords[0] = nullptr;
    m->mNormals = FilledVectors(6, {0, 1, 0});
    m->mName = aiString("Crate");
    auto scene = MakeScene({m});
    Build(*scene);
    const auto log = Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].text, "Error: No UV:s found");
    EXPECT_EQ(log[0].level, MessageLevelError);
    EXPECT_EQ(log[1].text,
              "Mesh 'Crate' has no texture coordinates: drawn with its material colour");
    EXPECT_EQ(log[1].level, MessageLevelInfo);
    EXPECT_EQ(mesh.format, 0x000Fu);
    EXPECT_EQ(mesh.stride, 72u);
    EXPECT_EQ(Range(5, 0, 18),
              (std::vector<float>{5, 10, 15, 1, 0, 1, 0, 1, 0, 0, 1, 1, 1, 0, 0, 1, 0, 0}));

    CMeshObject meshObject;
    meshObject.Setup(std::make_unique<MeshData>(std::move(mesh)), &context);
    EXPECT_TRUE(meshObject.IsDrawable());
}

// Only a mesh without vertices is refused: it keeps its indices and is never drawn.
TEST_F(MeshBuilding, MeshWithoutVerticesKeepsIndicesButNoVertexData)
{
    aiMesh* m = MakeMesh(6);
    m->mNumVertices = 0;
    auto scene = MakeScene({m});
    Build(*scene);
    EXPECT_TRUE(Logged("Error: No UV:s found", MessageLevelError));
    EXPECT_EQ(mesh.stride, 0u);
    EXPECT_TRUE(mesh.vertices.empty());
    EXPECT_EQ(mesh.indices.size(), 6u);
    EXPECT_FALSE(mesh.HasVertexData());
}

TEST_F(MeshBuilding, NineMaterialsAreReportedAndEightListsKept)
{
    auto scene = MakeScene({MakeMesh(3)}, 9);
    aiString albedo("C:\\art\\textures\\crate_D.tga");
    scene->mMaterials[1]->AddProperty(&albedo, AI_MATKEY_TEXTURE_DIFFUSE(0));
    int uvChannel = 2;
    scene->mMaterials[1]->AddProperty(&uvChannel, 1, AI_MATKEY_UVWSRC_DIFFUSE(0));
    aiString normal("maps/crate_N.dds");
    scene->mMaterials[1]->AddProperty(&normal, AI_MATKEY_TEXTURE_NORMALS(0));
    Build(*scene);
    EXPECT_TRUE(
        Logged("Sorry, only 8 different materials supported, you have: 9", MessageLevelError));
    ASSERT_EQ(context.materialTextures.size(), 8u);
    for (const auto& list : context.materialTextures)
        EXPECT_EQ(list.size(), 11u);
    const auto& textures = context.materialTextures[1];
    EXPECT_EQ(textures[0].fileName, "crate_D.tga");  // diffuse
    EXPECT_EQ(textures[0].uvIndex, 2u);
    EXPECT_EQ(textures[5].fileName, "crate_N.dds");  // normals, sixth type
    EXPECT_EQ(textures[1].fileName, "");

    // A second mesh of the same import neither reports again nor adds lists.
    MeshData other;
    other.context = &context;
    BuildMesh(context, other, *scene->mMeshes[0], *scene);
    EXPECT_EQ(context.materialTextures.size(), 8u);
    EXPECT_EQ(Log().size(), 3u);  // two tangent messages and one material message
}
