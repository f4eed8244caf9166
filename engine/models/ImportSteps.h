// The import's post-processing steps, some computed by the engine instead of the import
// library: the degenerate-face step (DegenerateFaces.h), the invalid-data step's part for
// meshes (InvalidData.h), the tangent space (TangentSpace.h),
// the vertex half of large-mesh splitting (LargeMeshSplit.h) and the cache locality
// (CacheLocality.h), each at its place in the library's order of steps, so that the scene
// is the one the library's own steps would give.
#pragma once

#include <string>

struct aiScene;
namespace Assimp {
class Importer;
}

// The library's import with `flags`, those steps ours. Flags with a step whose place
// in the order this does not know go to the library whole.
const aiScene* ReadFileWithOwnSteps(Assimp::Importer& importer, const std::string& path,
                                    unsigned flags);
