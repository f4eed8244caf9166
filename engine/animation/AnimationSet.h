// The animation of one mesh object: one controller per imported mesh it was attached with,
// the names of the clips added through it, and the skeleton display's marker models.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "animation/AnimationController.h"
#include "animation/AnimationReports.h"
#include "math/Matrix4.h"

struct aiMesh;
struct aiNodeAnim;
class CMeshObject;
class CModelImporter;
struct SkeletonMarkers;

// One clip's channels for a model's scene nodes (one per node of its table, null for none).
struct NodeChannels {
    const aiAnimation* animation = nullptr;
    std::vector<const aiNodeAnim*> channels;
};

// What attaching needs from the engine: where to report and how to load the markers.
struct AnimationServices {
    AnimationReports reports;
    const CModelImporter* importer = nullptr;  // loads the marker models; none: no markers
};

class AnimationSet {
   public:
    AnimationSet();
    ~AnimationSet();

    // The controller of an imported mesh; null when the set has none for it (a set made by
    // a whole-model animation file keys its controller by no mesh).
    AnimationController* ControllerFor(const aiMesh* mesh);
    AnimationController* FirstController();

    // Every clip of the set's controllers is one take of one file: clip 0, the model file's
    // first take under the name "<path> [Bindpose]", then each take of the model file and of
    // every added animation file, "<path> [<take name>]".
    struct ClipSource {
        std::string path;
        uint32_t animationIndex = 0;
    };
    void AddClipName(std::string name, std::string path, uint32_t animationIndex);

    std::map<const aiMesh*, std::unique_ptr<AnimationController>> controllers;
    uint32_t clipCount = 0;
    std::vector<std::string> clipNames;
    std::vector<ClipSource> clipSources;  // one per clip name
    std::shared_ptr<SkeletonMarkers> markers;

    // A model's node animation only: each clip's channels for the model's nodes, the nodes'
    // rest transforms split up, and the locals of the last pose.
    std::vector<NodeChannels> nodeChannels;
    std::vector<NodeTransform> restParts;
    std::vector<Matrix4> nodeLocals;
};

// The first attach of a mesh object creates its set, whose controller imports the model
// file (clip 0, the bind pose, whose own takes follow as clips); `scene` itself is not
// added then. Later attaches add each take of `scene` as a clip to every controller of the
// set. Only skinned mesh objects play clips: others take nothing (their nodes are moved
// by the model's node animation).
void AttachAnimation(CMeshObject& meshObject, const ImportedScenePtr& scene,
                     const std::string& path, const std::string& nodeName, const aiMesh* mesh,
                     const AnimationServices& services);

// Adds every take of `scene` (read from `path`) to every controller of `set`.
void AddSceneTakes(AnimationSet& set, const ImportedScenePtr& scene, const std::string& path,
                   const std::string& nodeName, const AnimationReports& reports);

// A file changed on disk: when it holds some of the set's clips, it is imported again once,
// off this thread, and every controller swaps them in at its first Advance after that.
void ReloadAnimationSet(AnimationSet& set, const std::string& path);

struct AdvanceOptions {
    uint64_t nowMs = 0;              // the millisecond tick count
    bool animateSequence = false;    // "Animate sequence"
    bool followCameraJoint = false;  // "Attach camera to camera joint"
    float speed = 1.0f;              // of the clock: the model's animation speed / 100
    bool loop = true;                // off: each clip stops at its last key
};

// One frame of every controller, in map order: camera follow, sequencing, then the reload
// swap or the clock. Returns the camera matrix (engine layout) of the last controller that
// has a camera joint, when following.
std::optional<Matrix4> AdvanceAnimationSet(AnimationSet& set, const AdvanceOptions& options);
