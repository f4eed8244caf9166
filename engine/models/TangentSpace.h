// The tangent-space step of the import, computed here instead of by the import library: the
// same tangents and bitangents (the same smoothing of corners that share a position), in
// parallel over the faces and the position look-ups (ImportSteps.h puts it in its place
// among the library's steps).
#pragma once

struct aiMesh;

// Adds tangents and bitangents to a mesh of triangles or polygons with normals and UV set 0
// that has none yet; false (the mesh untouched) otherwise.
bool ComputeTangentSpace(aiMesh& mesh);
