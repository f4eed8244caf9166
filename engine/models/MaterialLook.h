// What an imported material says about how its meshes look: its colour, its own texture
// names and its PBR values. The viewer's naming convention for texture files comes first;
// this fills in for models made without it.
#pragma once

#include <array>
#include <optional>
#include <string>

struct aiMaterial;
struct aiScene;

struct MaterialLook {
    // The base-colour texture, else the diffuse one, as the file stores it (a Windows path,
    // a path beside the model, or "*N" for an image held in the model file).
    std::string albedoTexture;
    // The base colour, else the diffuse colour (linear RGBA, each 0..1).
    std::optional<std::array<float, 4>> albedoColour;
    // The normal map, else the height map.
    std::string normalTexture;
    std::optional<float> metalness;
    // Given, from a glossiness, or from the Phong shininess.
    std::optional<float> roughness;
    // Greyscale maps of the two, as stored (empty: none).
    std::string roughnessTexture;
    std::string metalnessTexture;
};

// How an exporter stores PBR materials in the classic FBX properties.
enum class MaterialConvention {
    Generic,
    // Blender's exporter: metallic as ReflectionFactor, its map on that property; roughness
    // as the Shininess exponent ((1 - roughness) x 10, squared), its map on
    // ShininessExponent.
    Blender,
};

// The convention of the exporter that wrote `scene` (from the file's generator).
MaterialConvention MaterialConventionOf(const aiScene& scene);

MaterialLook ReadMaterialLook(const aiMaterial& material,
                              MaterialConvention convention = MaterialConvention::Generic);

// Everything after the last '\' or '/': FBX files made on Windows keep Windows paths.
std::string BareTextureFileName(const std::string& path);
