// Built meshes: packed vertices, format words, bounds, bone weights and material lists; and
// what a mesh's own material gives the texture slots that no file named after the mesh
// filled: the choice per slot, its log line, and what is read from imported materials.
#include <cstring>
#include <functional>
#include <utility>

#include "ModelTestSupport.h"
#include "math/Transforms.h"
#include "models/MaterialFallbacks.h"
#include "models/MeshData.h"
#include "models/MeshObject.h"
#include "models/ModelImportContext.h"
#include "models/VertexAttributes.h"
#include "scene/InspectionGeometry.h"
#include "textures/BuiltInTextures.h"

using namespace modeltest;

namespace {

class MeshBuilding : public ModelTest {
   protected:
    // Builds mesh `index` of `scene` into `mesh`, with the context the scene's other meshes
    // share.
    void Build(const aiScene& scene, MeshData& mesh, unsigned index = 0)
    {
        context.scene = Borrow(scene);
        mesh.context = &context;
        BuildMesh(context, mesh, *scene.mMeshes[index], scene);
    }
    // `count` floats of vertex `vertex`, from float number `first` on.
    static std::vector<float> Floats(const MeshData& mesh, uint32_t vertex, size_t first,
                                     size_t count)
    {
        std::vector<float> values(count);
        const uint8_t* bytes = mesh.VertexAt(vertex);
        EXPECT_TRUE(bytes && (first + count) * 4 <= mesh.stride);
        if (bytes && (first + count) * 4 <= mesh.stride)
            std::memcpy(values.data(), bytes + first * 4, count * 4);
        return values;
    }

    ModelImportContext context;
};

const std::string kNoTangents = "Model is missing tangents and bitangents";

}  // namespace

// The layout is what the shader variant of the format word reads. One UV set beyond set 0
// brings all three, a missing one reads as zero; colour set 0 fills all four colour
// attributes, set 1 never; a vertex keeps its first four weights. Untextured meshes, common
// in real files, are drawn at UV (0, 0) with a tangent frame made from the normal, so that
// they use the variants of textured meshes.
TEST_F(MeshBuilding, EachAttributeSetGetsItsFormatWordAndLayout)
{
    aiMesh* full = MakeMesh(3);
    full->mNormals = FilledVectors(3, {0, 1, 0});
    full->mTangents = FilledVectors(3, {1, 0, 0});
    full->mBitangents = FilledVectors(3, {0, 0, 1});
    full->mTextureCoords[1] = FilledVectors(3, {0.25f, 0.75f, 9.0f});
    full->mTextureCoords[3] = FilledVectors(3, {0.125f, 0.375f, 0});
    full->mColors[0] = new aiColor4D[3]{{.1f, .2f, .3f, .4f}, {.1f, .2f, .3f, .4f}, {}};
    full->mColors[1] = new aiColor4D[3]{{9, 9, 9, 9}, {9, 9, 9, 9}, {9, 9, 9, 9}};
    SetBones(*full, {{"hip", {{0, 0.5f}, {1, 1.0f}}}, {"knee", {{0, 0.5f}}}});
    aiMesh* weighted = MakeMesh(3);
    std::vector<std::pair<std::string, std::vector<aiVertexWeight>>> five;  // halving weights
    for (int b = 0; b < 5; ++b)
        five.push_back({"b" + std::to_string(b), {{2, 0.5f / float(1 << b)}}});
    SetBones(*weighted, five);
    aiMesh* uvless = MakeMesh(6);
    delete[] std::exchange(uvless->mTextureCoords[0], nullptr);
    uvless->mNormals = FilledVectors(6, {0, 1, 0});
    uvless->mName = aiString("Crate");

    const auto check = [this](const char* what, aiMesh* built, uint32_t format, uint32_t stride,
                              uint32_t vertex, const std::vector<float>& floats, unsigned bones,
                              const std::vector<std::string>& log) {
        SCOPED_TRACE(what);
        context = {};
        const size_t logged = GetEngine()->scene->log.Count();
        auto scene = MakeScene({built});
        MeshData mesh;
        Build(*scene, mesh);
        EXPECT_EQ(mesh.format, format);
        ASSERT_EQ(mesh.stride, stride);
        ASSERT_EQ(mesh.vertexCount, built->mNumVertices);
        ASSERT_TRUE(mesh.HasEveryVertex());
        EXPECT_EQ(Floats(mesh, vertex, 0, floats.size()), floats);  // from the vertex's start
        EXPECT_EQ(context.boneCount, bones);
        EXPECT_EQ(LogTexts(logged), log);
    };
    check("position and UV set 0", MakeMesh(3), 0x0003, 24, 2, {2, 4, 6, 1, 2, -2}, 0,
          {kNoTangents});
    check(
        "every attribute", full, 0x7B9F, 192, 0,
        {0,   0,   0,     1,     0,   1,   0,      1,      1,   0,   0,   1,   0,    0,    1,   1,
         0,   0,   0.25f, 0.75f, 0,   0,   0.125f, 0.375f, .1f, .2f, .3f, .4f, .1f,  .2f,  .3f, .4f,
         .1f, .2f, .3f,   .4f,   .1f, .2f, .3f,    .4f,    0,   1,   0,   0,   0.5f, 0.5f, 0,   0},
        2, {});
    check("five weights on a vertex", weighted, 0x0013, 56, 2,
          {2, 4, 6, 1, 2, -2, 0, 1, 2, 3, 0.5f, 0.25f, 0.125f, 0.0625f}, 5, {kNoTangents});
    check("no UV set 0", uvless, 0x000F, 72, 5,
          {5, 10, 15, 1, 0, 1, 0, 1, 0, 0, 1, 1, 1, 0, 0, 1, 0, 0}, 0,
          {"Error: No UV:s found",
           "Mesh 'Crate' has no texture coordinates: drawn with its material colour"});
}

// The centre is the middle of the box around the origin and the vertices; depth does not
// count towards the radius.
TEST_F(MeshBuilding, BoundsStartAtTheOriginAndIgnoreDepthForTheRadius)
{
    const struct {
        aiVector3D vertices[3];
        Float3 centre;
        float radius;
    } rows[] = {{{{2, 2, 2}, {4, 3, 4}, {3, 4, 3}}, {2, 2, 2}, 2.0f},
                {{{-1, 0, 0}, {1, 0.5f, 100}, {0, 0, -100}}, {0, 0.25f, 0}, 1.0f}};
    for (const auto& row : rows) {
        aiMesh* m = MakeMesh(3);
        std::copy(row.vertices, row.vertices + 3, m->mVertices);
        auto scene = MakeScene({m});
        MeshData mesh;
        Build(*scene, mesh);
        EXPECT_EQ(mesh.boundsCentre, row.centre);
        EXPECT_FLOAT_EQ(mesh.boundsRadius, row.radius);
    }
}

// The mesh is drawn as a triangle list: lines and points are left out, with a note, rather
// than run into the triangles after them.
TEST_F(MeshBuilding, LinesAndPointsAreLeftOutOfTheTriangleList)
{
    aiMesh* m = MakeMesh(6);  // two triangles
    m->mName = "Wire";
    aiFace* faces = new aiFace[4];
    for (unsigned f = 0; f < 4; ++f) {
        const unsigned count = f == 1 ? 2 : f == 2 ? 1 : 3;  // triangle, line, point, triangle
        faces[f].mNumIndices = count;
        faces[f].mIndices = new unsigned[count];
        for (unsigned i = 0; i < count; ++i)
            faces[f].mIndices[i] = (f == 3 ? 3 : 0) + i;
    }
    delete[] m->mFaces;
    m->mFaces = faces;
    m->mNumFaces = 4;
    m->mPrimitiveTypes = aiPrimitiveType_TRIANGLE | aiPrimitiveType_LINE | aiPrimitiveType_POINT;
    auto scene = MakeScene({m});
    MeshData mesh;
    Build(*scene, mesh);
    EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(LogTexts().back(), "Mesh 'Wire': 2 lines and points not drawn, only its triangles");
}

// What one import's meshes share: bones are numbered model-wide, though each vertex names
// its mesh's own bone; nine materials are reported once, by the first mesh built, and eight
// lists kept.
TEST_F(MeshBuilding, AnImportNumbersBonesAndListsMaterialsOnceForAllItsMeshes)
{
    aiMesh* first = MakeMesh(3);
    SetBones(*first, {{"spine", {{0, 1.0f}}}});
    first->mBones[0]->mOffsetMatrix.a4 = 5.0f;
    aiMesh* second = MakeMesh(3);
    SetBones(*second, {{"head", {{0, 1.0f}}}, {"spine", {{1, 1.0f}}}});
    auto scene = MakeScene({first, second}, 9);
    aiString albedo("C:\\art\\textures\\crate_D.tga");
    scene->mMaterials[1]->AddProperty(&albedo, AI_MATKEY_TEXTURE_DIFFUSE(0));
    int uvChannel = 2;
    scene->mMaterials[1]->AddProperty(&uvChannel, 1, AI_MATKEY_UVWSRC_DIFFUSE(0));
    aiString normal("maps/crate_N.dds");
    scene->mMaterials[1]->AddProperty(&normal, AI_MATKEY_TEXTURE_NORMALS(0));
    MeshData meshes[2];
    Build(*scene, meshes[0], 0);
    Build(*scene, meshes[1], 1);
    EXPECT_EQ(context.boneCount, 2u);
    EXPECT_EQ(context.boneNames.at("spine"), 0u);
    EXPECT_EQ(context.boneNames.at("head"), 1u);
    ASSERT_EQ(context.boneTable.size(), 2u);
    EXPECT_EQ(context.boneTable[0].offset.m[0][3], 5.0f);
    EXPECT_EQ(Floats(meshes[1], 1, 6, 1)[0], 1.0f);  // "spine" is bone 1 of the second mesh

    EXPECT_EQ(
        LogTexts(),
        (std::vector<std::string>{
            kNoTangents, "Sorry, only 8 different materials supported, you have: 9", kNoTangents}));
    ASSERT_EQ(context.materialTextures.size(), 8u);
    const auto& textures = context.materialTextures[1];
    ASSERT_GT(textures.size(), 5u);
    EXPECT_EQ(textures[0].fileName, "crate_D.tga");  // diffuse
    EXPECT_EQ(textures[0].uvIndex, 2u);
    EXPECT_EQ(textures[5].fileName, "crate_N.dds");  // normals, sixth type
}

namespace {

using Source = SlotChoice::Source;

MaterialTextureLookup Lookup()
{
    MaterialTextureLookup lookup;
    lookup.file = [](const std::string& stored) -> std::optional<std::string> {
        const std::string bare = BareTextureFileName(stored);
        return bare.starts_with("wood") ? std::optional("/art/" + bare) : std::nullopt;
    };
    lookup.embedded = [](const std::string& reference) -> std::optional<int> {
        return reference == "*1" ? std::optional(1) : std::nullopt;
    };
    return lookup;
}

// Each slot of the plan: its source and the log line after "Mesh 'Leg': ". The checkerboard
// stays for a named texture that is not there, and the log names it.
TEST(MaterialFallbacks, EachEmptySlotTakesWhatItsMaterialGivesAndSaysSo)
{
    const auto plan = [](const MaterialLook& look, Source albedo, const std::string& note,
                         MessageLevel level, Source normal, MaterialValues values) {
        SCOPED_TRACE(note);
        const MaterialFallbackPlan made = PlanMaterialFallbacks("Leg", look, {}, Lookup());
        EXPECT_EQ(made.albedo.source, albedo);
        EXPECT_EQ(made.albedo.note, "Mesh 'Leg': " + note);
        EXPECT_EQ(made.albedo.level, level);
        EXPECT_EQ(made.normal.source, normal);
        EXPECT_EQ(made.material.source, Source::Values);
        EXPECT_EQ(made.material.values, values);
        return made;
    };
    MaterialLook textured;
    textured.albedoTexture = "C:\\art\\wood.png";
    textured.normalTexture = "wood_n.png";
    textured.roughness = 0.25f;
    EXPECT_EQ(
        plan(textured, Source::File, "no texture named after it, using the material's 'wood.png'",
             MessageLevelInfo, Source::File, {1.0f, 0.25f, 0.0f, 0.0f})
            .albedo.file,
        "/art/wood.png");
    MaterialLook embedded;
    embedded.albedoTexture = "*1";
    EXPECT_EQ(plan(embedded, Source::Embedded,
                   "no texture named after it, using the material's '*1' held in the model file",
                   MessageLevelInfo, Source::Keep, {})
                  .albedo.embeddedIndex,
              1);
    MaterialLook missing;
    missing.albedoTexture = "C:\\art\\gone.jpg";
    missing.normalTexture = "gone_n.png";
    plan(missing, Source::Missing,
         "texture not found beside the model or in its texture folders: 'gone.jpg' (the "
         "material names 'C:\\art\\gone.jpg')",
         MessageLevelError, Source::FlatNormal, {});
    MaterialLook coloured;
    coloured.albedoColour = std::array<float, 4>{1.0f, 0.5f, 0.0f, 1.0f};
    coloured.metalness = 1.0f;
    EXPECT_EQ(plan(coloured, Source::Colour,
                   "no texture named after it, using the material's colour (1, 0.5, 0)",
                   MessageLevelInfo, Source::Keep, {1.0f, 0.5f, 1.0f, 0.0f})
                  .albedo.texel,
              PackRgba8(255, 128, 0, 255));
    EXPECT_EQ(plan({}, Source::White,
                   "no texture named after it and its material has no colour: drawn white",
                   MessageLevelInfo, Source::Keep, {})
                  .material.note,
              "Mesh 'Leg': no material texture named after it, using a neutral material "
              "(occlusion 1, roughness 0.5, metalness 0)");

    // Roughness and metalness maps (as Blender writes them) are packed into the material
    // texture; one that is nowhere is named, and its value stands in.
    MaterialLook mapped;
    mapped.roughnessTexture = "textures/wood_roughness.png";
    mapped.metalnessTexture = "//gone_metal.png";
    mapped.metalness = 1.0f;
    const SlotChoice material = PlanMaterialFallbacks("Leg", mapped, {}, Lookup()).material;
    EXPECT_EQ(material.source, Source::Maps);
    EXPECT_EQ(material.maps,
              (MaterialMaps{"/art/wood_roughness.png", {}, {1.0f, 0.5f, 1.0f, 0.0f}}));
    EXPECT_EQ(material.missing, std::vector<std::string>{"gone_metal.png"});
    EXPECT_EQ(material.level, MessageLevelError);
    EXPECT_EQ(material.note,
              "Mesh 'Leg': metalness map not found beside the model or in its texture folders: "
              "'gone_metal.png' (the material names '//gone_metal.png'); Mesh 'Leg': no material "
              "texture named after it, using the material's roughness map 'wood_roughness.png' "
              "and metalness 1");

    // A file named after the mesh always wins: nothing is planned for its slot.
    const MaterialFallbackPlan named =
        PlanMaterialFallbacks("Leg", textured, FilledSlots{true, true, true, false}, Lookup());
    for (const SlotChoice* choice : {&named.albedo, &named.material, &named.normal}) {
        EXPECT_EQ(choice->source, Source::Keep);
        EXPECT_TRUE(choice->note.empty());
    }
}

TEST(MaterialFallbacks, MaterialsAreReadFromTheirPbrValuesBeforeTheirPhongOnes)
{
    aiMaterial phong;
    const aiColor3D diffuse(0.2f, 0.4f, 0.6f);
    phong.AddProperty(&diffuse, 1, AI_MATKEY_COLOR_DIFFUSE);
    const float shininess = 48.0f;
    phong.AddProperty(&shininess, 1, AI_MATKEY_SHININESS);
    const aiString height("C:\\maps\\bump.png");
    phong.AddProperty(&height, AI_MATKEY_TEXTURE_HEIGHT(0));
    const MaterialLook fromPhong = ReadMaterialLook(phong);
    ASSERT_TRUE(fromPhong.albedoColour);
    EXPECT_FLOAT_EQ((*fromPhong.albedoColour)[2], 0.6f);
    EXPECT_FLOAT_EQ((*fromPhong.albedoColour)[3], 1.0f);
    EXPECT_FLOAT_EQ(*fromPhong.roughness, 0.2f);  // sqrt(2 / (48 + 2))
    EXPECT_FALSE(fromPhong.metalness);
    EXPECT_EQ(fromPhong.normalTexture, "C:\\maps\\bump.png");

    // 3ds Max's physical material, as assimp hands it over: raw properties beside the
    // Phong ones it also writes.
    aiMaterial max;
    max.AddProperty(&diffuse, 1, AI_MATKEY_COLOR_DIFFUSE);
    const aiColor4D base(0.9f, 0.1f, 0.1f, 1.0f);
    max.AddProperty(&base, 1, "$raw.3dsMax|main|basecolor", 0, 0);
    const float roughnessFromShininess = 0.7f, glossiness = 0.8f, metalness = 0.6f;
    const int useGlossiness = 1;
    max.AddProperty(&roughnessFromShininess, 1, AI_MATKEY_ROUGHNESS_FACTOR);
    max.AddProperty(&glossiness, 1, "$raw.3dsMax|main|glossiness", 0, 0);
    max.AddProperty(&useGlossiness, 1, "$raw.3dsMax|main|useGlossiness", 0, 0);
    max.AddProperty(&metalness, 1, "$raw.3dsMax|main|metalness", 0, 0);
    const aiString baseMap("maps/base.png"), diffuseMap("maps/old.png");
    max.AddProperty(&diffuseMap, AI_MATKEY_TEXTURE_DIFFUSE(0));
    max.AddProperty(&baseMap, AI_MATKEY_TEXTURE(aiTextureType_BASE_COLOR, 0));
    const MaterialLook fromMax = ReadMaterialLook(max);
    EXPECT_FLOAT_EQ((*fromMax.albedoColour)[0], 0.9f);
    EXPECT_NEAR(*fromMax.roughness, 0.2f, 1e-6f);
    EXPECT_FLOAT_EQ(*fromMax.metalness, 0.6f);
    EXPECT_EQ(fromMax.albedoTexture, "maps/base.png");
}

TEST(MaterialFallbacks, EmbeddedImagesAreFoundByIndexOrByFileName)
{
    aiScene scene;
    scene.mNumTextures = 2;
    scene.mTextures = new aiTexture* [2] { new aiTexture, new aiTexture };
    scene.mTextures[0]->mFilename = aiString("D:\\work\\paper.png");
    scene.mTextures[1]->mFilename = aiString("uv_test.png");
    EXPECT_EQ(FindEmbeddedTexture(scene, "*1"), 1);
    EXPECT_EQ(FindEmbeddedTexture(scene, "..\\..\\Desktop\\uv_test.png"), 1);
    EXPECT_EQ(FindEmbeddedTexture(scene, "paper.png"), 0);
    for (const char* absent : {"*2", "*-1", "*", "*1x", "other.png", ""})
        EXPECT_EQ(FindEmbeddedTexture(scene, absent), std::nullopt) << absent;
}

}  // namespace

// The normal lines overlay reads the packed vertices back: each line starts at its vertex
// and runs for the length along the unit normal, posed by the bone palette as the vertex
// shader poses the mesh (an unweighted vertex stays put); a dense mesh shows a bounded
// number of lines.
TEST_F(MeshBuilding, NormalLinesStartAtTheirVerticesAndFollowThePose)
{
    aiMesh* built = MakeMesh(3);
    built->mNormals = FilledVectors(3, {0, 2, 0});
    SetBones(*built, {{"hip", {{0, 1.0f}, {1, 1.0f}}}});
    auto scene = MakeScene({built});
    MeshData mesh;
    Build(*scene, mesh);
    const VertexAttributeOffsets offsets = AttributeOffsets(mesh.format);
    ASSERT_EQ(offsets.stride, mesh.stride);
    EXPECT_EQ(ReadVertexFloat3(mesh, 2, offsets.position), (Float3{2, 4, 6}));
    EXPECT_EQ(ReadVertexFloat3(mesh, 2, offsets.normal), (Float3{0, 2, 0}));
    EXPECT_FALSE(ReadVertexFloat3(mesh, 3, offsets.position));

    Matrix4 pose = RotationZ(1.5707963f);
    pose.m[3][0] = 10.0f;
    const std::vector<Matrix4> palette = {pose};
    std::vector<LineVertex> lines;
    AppendDirectionLines(mesh, DirectionKind::Normal, 0.5f, {1, 0, 0, 1}, palette, lines);
    ASSERT_EQ(lines.size(), 6u);
    const auto near = [](const float* actual, Float3 expected) {
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(actual[i], expected[i], 1e-4f) << i;
    };
    const Float3 posed = TransformPoint({1, 2, 3}, pose);  // vertex 1
    near(lines[2].position, posed);
    near(lines[3].position, {posed[0] - 0.5f, posed[1], posed[2]});  // +y turned to -x
    near(lines[4].position, {2, 4, 6});
    near(lines[5].position, {2, 4.5f, 6});
    lines.clear();
    AppendDirectionLines(mesh, DirectionKind::Tangent, 0.5f, {1, 0, 0, 1}, {}, lines);
    EXPECT_TRUE(lines.empty()) << "no tangents, no lines";

    aiMesh* dense = MakeMesh(3 * (kMaxDirectionLines / 3 + 100));
    dense->mNormals = FilledVectors(dense->mNumVertices, {0, 1, 0});
    auto denseScene = MakeScene({dense});
    MeshData denseMesh;
    Build(*denseScene, denseMesh);
    AppendDirectionLines(denseMesh, DirectionKind::Normal, 1.0f, {1, 1, 1, 1}, {}, lines);
    EXPECT_LE(lines.size(), 2u * kMaxDirectionLines);
    EXPECT_GT(lines.size(), kMaxDirectionLines / 2);
}
