// Writes meshes as an ASCII FBX file through assimp's exporter. ASCII, because the binary
// writer of the assimp we build against produces files that it cannot read back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "MeshBuilder.h"

namespace assets {

// One node of the written scene with one mesh and its own material. The node name is what
// the viewer's texture discovery matches file names against.
struct SceneNodeMesh {
    std::string nodeName;
    MeshGeometry geometry;
    Vec3 diffuseColor{1, 1, 1};
    std::string diffuseTexture{};  // file name beside the FBX, or empty
    // When not empty: the diffuse texture's file bytes, held in the FBX itself under the
    // name `diffuseTexture`.
    std::vector<uint8_t> embeddedImage{};
    // When not empty: nodes with the same name share one material, made from the first of
    // them (the viewer takes eight materials a file; textures named after each mesh still
    // reach it). Otherwise the node has a material of its own.
    std::string sharedMaterial{};
};

// Returns an empty string on success, otherwise the exporter's reason.
std::string WriteFbxScene(const std::string& path, const std::vector<SceneNodeMesh>& nodes);

}  // namespace assets
