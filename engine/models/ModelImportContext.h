// What one import shares between all the meshes it builds: the imported scene, the
// model-wide bone numbering and the material texture lists.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "math/Matrix4.h"
#include "models/SceneNodes.h"

struct aiScene;
struct aiMetadata;
struct MeshData;
struct ModelTextureSource;

struct BoneInfo {
    Matrix4 offset = Matrix4::Identity();  // as the file stores it: column vectors
    Matrix4 finalTransform = Matrix4::Identity();
};

// One texture of a material: the bare file name (empty when the material has no texture
// of that type) and the UV channel it is sampled with.
struct MaterialTextureRef {
    std::string fileName;
    uint32_t uvIndex = 0;
};

// The imported scene, released with the importer that owns it when the last holder lets go.
using ImportedScenePtr = std::shared_ptr<const aiScene>;

// Created once per import, owned by the root of the model it built and referred to by
// every mesh object and mesh of that model.
struct ModelImportContext {
    // One list per material (at most 8), each with one entry per texture type 1 to 11.
    std::vector<std::vector<MaterialTextureRef>> materialTextures;
    std::string path;
    std::string directory;  // where the model's textures are looked for
    ImportedScenePtr scene;
    std::vector<BoneInfo> boneTable;
    std::map<std::string, uint32_t> boneNames;  // model-wide bone numbering
    uint32_t boneCount = 0;
    std::function<void(const std::string&)> errorCallback;
    // Metadata of the scene node the tree walk entered last.
    const aiMetadata* currentNodeMetadata = nullptr;
    // OR-ed into the format word of every mesh object of this import (64 for the skybox
    // cube, 32 for the light mesh, 0 otherwise).
    uint32_t meshObjectFlags = 0;
    // Slots that no file named after a mesh fills take what the mesh's material gives.
    bool materialFallbacks = true;
    // The importer's texture source; none: the meshes keep empty texture slots.
    const ModelTextureSource* textureSource = nullptr;
    // The scene's nodes and where they stand: what every mesh object is placed with.
    SceneNodes sceneNodes;
    // Each imported mesh built once, however many nodes place it (by mesh index).
    std::map<unsigned, std::shared_ptr<MeshData>> builtMeshes;
    // Texture files the model's meshes took, and names its materials give that were found
    // nowhere (for the model's summary).
    std::set<std::string> texturesFound;
    std::set<std::string> texturesMissing;
    // Gives back what the built meshes were packed from (SceneTransfer.h), for whoever hands
    // the model on to call once it has: freeing the pages takes a while, which need not
    // keep the model from the screen. Holds the scene, not the model.
    std::function<void()> giveBackPackedArrays;
};
