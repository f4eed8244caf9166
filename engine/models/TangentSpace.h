// The tangent-space step of the import, computed here instead of by the import library: the
// same tangents and bitangents (the same smoothing of corners that share a position), in
// parallel over the faces and the position look-ups. The library runs the steps before and
// after it; the scene is the one its own step would give.
#pragma once

#include <string>

struct aiMesh;
struct aiScene;
namespace Assimp {
class Importer;
}

// Adds tangents and bitangents to a mesh of triangles or polygons with normals and UV set 0
// that has none yet; false (the mesh untouched) otherwise.
bool ComputeTangentSpace(aiMesh& mesh);

// The library's import with `flags`, its tangent-space step replaced by ComputeTangentSpace
// at the same place in the order of steps. Flags with steps this does not know the place of
// go to the library whole.
const aiScene* ReadFileWithOwnTangents(Assimp::Importer& importer, const std::string& path,
                                       unsigned flags);
