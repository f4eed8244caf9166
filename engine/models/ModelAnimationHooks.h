// The seams between model import and skeletal animation. Import decides which mesh
// objects receive which imported animation; the animation side, through the hooks its
// owner gives the importer, builds and keeps the animation sets. Empty hooks do nothing.
#pragma once

#include <functional>
#include <string>

#include "models/ModelImportContext.h"

struct aiMesh;
class CMeshObject;
class CModelNode;
class AnimationSet;

struct ModelAnimationHooks {
    // Attach the animation of `scene`, read from `path`, to one mesh object. `mesh` is the
    // imported mesh the object was built from, or null for a whole-model animation file.
    std::function<void(CMeshObject& meshObject, const ImportedScenePtr& scene,
                       const std::string& path, const std::string& nodeName, const aiMesh* mesh)>
        attachAnimation;
    // Give the model (its root) node animation from its own scene, and then the takes of
    // `scene` when that is another file's; `skeleton` for a file that holds no mesh.
    std::function<void(CModelNode& root, const ImportedScenePtr& scene, const std::string& path,
                       bool skeleton)>
        attachNodeAnimation;
    // Make clip `clip` active on every mesh object of the tree.
    std::function<void(CModelNode& root, int clip)> addActiveAnimation;
    // Build the camera clip from animation 0 of `scene` (its camera 0 is animated).
    std::function<void(CModelNode& root, const ImportedScenePtr& scene)> buildCameraClip;
    // A file changed on disk: reload it where the set uses it as a clip.
    std::function<void(AnimationSet& set, const std::string& path)> reloadAnimationSet;
};

// Access to the model the viewer shows, under the lock that guards it: a function that
// takes the model lock and calls `use` with the model (null when none).
using ShownModelAccess = std::function<void(const std::function<void(CModelNode* model)>& use)>;

// Hands an animation-only scene to every mesh object of `root`: the subtrees of the
// root's children first (each node's children before its own mesh objects, with the
// node's name), then the root's own mesh objects under the name "Root". With `onlyMesh`
// set, only mesh objects built from that imported mesh receive it; without, the model's
// node animation receives it too.
void HandAnimationToModel(CModelNode& root, const ImportedScenePtr& scene, const std::string& path,
                          const aiMesh* onlyMesh, const ModelAnimationHooks& hooks);
