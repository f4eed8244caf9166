#include "models/MaterialLook.h"

#include <assimp/material.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <string_view>

namespace {

// 3ds Max's physical material reaches us only as raw FBX properties.
constexpr const char* kMaxBaseColour = "$raw.3dsMax|main|basecolor";
constexpr const char* kMaxMetalness = "$raw.3dsMax|main|metalness";
constexpr const char* kMaxRoughness = "$raw.3dsMax|main|roughness";
constexpr const char* kMaxGlossiness = "$raw.3dsMax|main|glossiness";
constexpr const char* kMaxUseGlossiness = "$raw.3dsMax|main|useGlossiness";

std::optional<float> Scalar(const aiMaterial& material, const char* key, unsigned type = 0,
                            unsigned index = 0)
{
    float value = 0.0f;
    unsigned count = 1;
    if (aiGetMaterialFloatArray(&material, key, type, index, &value, &count) != aiReturn_SUCCESS ||
        count != 1 || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<float> Unit(std::optional<float> value)
{
    if (!value)
        return std::nullopt;
    return std::clamp(*value, 0.0f, 1.0f);
}

std::optional<std::array<float, 4>> Colour(const aiMaterial& material, const char* key,
                                           unsigned type = 0, unsigned index = 0)
{
    float rgba[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    unsigned count = 4;
    if (aiGetMaterialFloatArray(&material, key, type, index, rgba, &count) != aiReturn_SUCCESS ||
        count < 3)
        return std::nullopt;
    std::array<float, 4> colour{};
    for (int i = 0; i < 4; ++i)
        colour[i] = std::isfinite(rgba[i]) ? std::clamp(rgba[i], 0.0f, 1.0f) : 0.0f;
    if (count == 3)
        colour[3] = 1.0f;
    return colour;
}

std::string Texture(const aiMaterial& material, aiTextureType type)
{
    aiString path;
    if (material.GetTextureCount(type) == 0 ||
        aiGetMaterialTexture(&material, type, 0, &path, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr) != aiReturn_SUCCESS)
        return {};
    return std::string(path.C_Str(), path.length);
}

std::string FirstTexture(const aiMaterial& material, std::initializer_list<aiTextureType> types)
{
    for (aiTextureType type : types)
        if (std::string path = Texture(material, type); !path.empty())
            return path;
    return {};
}

std::optional<float> Roughness(const aiMaterial& material, MaterialConvention convention)
{
    // The exporter's own formula, backwards.
    if (convention == MaterialConvention::Blender)
        if (std::optional<float> shininess = Scalar(material, AI_MATKEY_SHININESS);
            shininess && *shininess >= 0.0f)
            return std::clamp(1.0f - std::sqrt(*shininess) / 10.0f, 0.0f, 1.0f);
    const std::optional<float> useGlossiness = Scalar(material, kMaxUseGlossiness);
    if (useGlossiness && *useGlossiness != 0.0f) {
        if (std::optional<float> glossiness = Unit(Scalar(material, kMaxGlossiness)))
            return 1.0f - *glossiness;
    }
    if (std::optional<float> roughness = Unit(Scalar(material, kMaxRoughness)))
        return roughness;
    if (std::optional<float> roughness = Unit(Scalar(material, AI_MATKEY_ROUGHNESS_FACTOR)))
        return roughness;
    // A Phong exponent as a microfacet roughness (the Blinn-Phong to Beckmann match).
    if (std::optional<float> shininess = Scalar(material, AI_MATKEY_SHININESS);
        shininess && *shininess >= 0.0f)
        return std::sqrt(2.0f / (*shininess + 2.0f));
    return std::nullopt;
}

}  // namespace

std::string BareTextureFileName(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

MaterialConvention MaterialConventionOf(const aiScene& scene)
{
    aiString generator;
    if (scene.mMetaData && scene.mMetaData->Get("SourceAsset_Generator", generator) &&
        std::string_view(generator.C_Str(), generator.length).starts_with("Blender"))
        return MaterialConvention::Blender;
    return MaterialConvention::Generic;
}

MaterialLook ReadMaterialLook(const aiMaterial& material, MaterialConvention convention)
{
    MaterialLook look;
    look.albedoTexture = FirstTexture(material, {aiTextureType_BASE_COLOR, aiTextureType_DIFFUSE});
    look.albedoColour = Colour(material, AI_MATKEY_BASE_COLOR);
    if (!look.albedoColour)
        look.albedoColour = Colour(material, kMaxBaseColour);
    if (!look.albedoColour)
        look.albedoColour = Colour(material, AI_MATKEY_COLOR_DIFFUSE);
    look.normalTexture = FirstTexture(
        material, {aiTextureType_NORMALS, aiTextureType_NORMAL_CAMERA, aiTextureType_HEIGHT});
    look.metalness = Unit(Scalar(material, AI_MATKEY_METALLIC_FACTOR));
    if (!look.metalness)
        look.metalness = Unit(Scalar(material, kMaxMetalness));
    if (!look.metalness && convention == MaterialConvention::Blender)
        look.metalness = Unit(Scalar(material, AI_MATKEY_REFLECTIVITY));
    look.roughness = Roughness(material, convention);
    look.roughnessTexture = FirstTexture(material, {aiTextureType_DIFFUSE_ROUGHNESS});
    look.metalnessTexture = FirstTexture(material, {aiTextureType_METALNESS});
    if (convention == MaterialConvention::Blender) {
        if (look.roughnessTexture.empty())
            look.roughnessTexture = Texture(material, aiTextureType_SHININESS);
        if (look.metalnessTexture.empty())
            look.metalnessTexture = Texture(material, aiTextureType_REFLECTION);
    }
    return look;
}
