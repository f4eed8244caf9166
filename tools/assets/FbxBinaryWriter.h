// Writes meshes as a binary FBX file (version 7400) of our own: the import library's binary
// exporter writes files that its reader cannot read back, and most real files are binary,
// so the import benchmarks need both formats of the same scene.
#pragma once

#include <string>
#include <vector>

#include "FbxSceneWriter.h"

namespace assets {

// The same objects, properties and links as WriteFbxScene writes, each node with a material
// of its own and its diffuse texture as a file beside the FBX (no embedded images);
// arrays over a few hundred bytes are zlib-compressed. Returns an empty string on success,
// otherwise the reason.
std::string WriteBinaryFbxScene(const std::string& path, const std::vector<SceneNodeMesh>& nodes);

}  // namespace assets
