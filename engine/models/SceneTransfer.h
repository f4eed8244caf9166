// The imported scene as bytes, for handing it from the import worker to the engine: the
// parts of a scene the engine reads (nodes with metadata, meshes with bones, materials,
// embedded textures, node animations, cameras and lights), in the layout of this build's
// library structures. Decoding checks every count against the bytes that remain, so a
// damaged message gives a reason, never an allocation beyond its own size.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

struct aiMesh;
struct aiScene;

std::string EncodeScene(const aiScene& scene);
// The same bytes handed to `write` in pieces as they are made, large arrays straight from
// the scene; false as soon as `write` refuses a piece.
bool WriteScene(const aiScene& scene, const std::function<bool(std::string_view)>& write);

// Null with `problem` set when the bytes are not a whole scene.
std::unique_ptr<aiScene> DecodeScene(std::string_view bytes, std::string& problem);
// The same, but the vertex arrays and face indices stay where they lie in `bytes` (where
// aligned for their type) instead of being copied: a large model is not copied once more on
// its way in. `owner` keeps the bytes alive until the scene is deleted.
// `discard`, when given, hands the pages of a range of `bytes` back to the system.
using PageDiscard = std::function<void(const void* at, size_t bytes)>;
std::shared_ptr<const aiScene> DecodeSceneInPlace(std::string_view bytes,
                                                  std::shared_ptr<const void> owner,
                                                  std::string& problem, PageDiscard discard = {});

// For a mesh whose vertices were copied out and are never read again: the pages under its
// vertex arrays and face indices, where they lie in the bytes of a scene decoded in place
// with a `discard`, go back to the system. The arrays stay, reading as zeros, so that the
// scene still says which attributes the mesh has. Does nothing to any other scene.
void DiscardMeshArrays(const std::shared_ptr<const aiScene>& scene, const aiMesh& mesh);
