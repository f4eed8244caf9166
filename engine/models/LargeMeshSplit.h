// The vertex half of the import's large-mesh splitting, computed here instead of by the
// import library: a mesh of more vertices than the limit becomes consecutive meshes, each
// taking faces in order until the next face would bring it past the limit, its vertices
// numbered as its faces first use them. Meshes and nodes are renumbered as the library does.
// The vertex arrays are copied on all cores and the faces keep their index arrays.
#pragma once

struct aiScene;

// False, with the scene untouched, where a mesh to split has bones: the library splits
// those (its per-vertex weight table is its own).
bool SplitMeshesByVertexCount(aiScene& scene, unsigned limit);
