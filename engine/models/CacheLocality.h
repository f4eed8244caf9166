// The import's cache-locality step, computed here instead of by the import library: the
// faces of a triangle mesh are put in the order of the library's fan walk (after Sander et
// al., "Fast Triangle Reordering for Vertex Locality", without the overdraw part), through
// a vertex cache of the library's default size, so that the result is the library's own,
// face for face. Meshes are independent, so a scene's are reordered on all cores.
#pragma once

struct aiMesh;
struct aiScene;

void ImproveCacheLocality(aiMesh& mesh);
void ImproveCacheLocality(const aiScene& scene);
