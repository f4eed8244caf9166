// The import's invalid-data step for meshes, computed here instead of by the import library,
// on all cores: a texture coordinate set, normals, tangents or bitangents holding a value
// that is not a number, all the same value, or (normals) of zero length is removed, as the
// library removes it, looking only at vertices that faces use (and, for normals and
// tangents, only at those of triangles and polygons).
#pragma once

struct aiScene;

// False, with the scene untouched, where the library's step would do more than that: a
// mesh whose positions are invalid (it deletes the mesh), or animations (it shortens their
// tracks).
bool RemoveInvalidMeshData(aiScene& scene);
