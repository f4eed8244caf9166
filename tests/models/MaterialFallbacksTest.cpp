// What a mesh's own material gives the texture slots that no file named after the mesh
// filled: the choice per slot, its log line, and what is read from imported materials.
#include <assimp/material.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <cmath>

#include "models/MaterialFallbacks.h"
#include "models/MeshObject.h"
#include "textures/BuiltInTextures.h"

namespace {

using Source = SlotChoice::Source;

MaterialTextureLookup Lookup()
{
    MaterialTextureLookup lookup;
    lookup.besideModel = [](const std::string& bare) -> std::optional<std::string> {
        if (bare == "wood.png" || bare == "wood_n.png")
            return "/art/" + bare;
        return std::nullopt;
    };
    lookup.embedded = [](const std::string& reference) -> std::optional<int> {
        if (reference == "*1")
            return 1;
        return std::nullopt;
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
         "texture not found beside the model: 'gone.jpg' (the material names 'C:\\art\\gone.jpg')",
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
