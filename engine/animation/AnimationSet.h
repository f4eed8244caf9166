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
class CMeshObject;
class CModelImporter;
struct SkeletonMarkers;

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

    std::map<const aiMesh*, std::unique_ptr<AnimationController>> controllers;
    uint32_t clipCount = 0;
    // The model file followed by " [Bindpose]", then the path of every added animation file.
    std::vector<std::string> clipNames;
    std::shared_ptr<SkeletonMarkers> markers;
};

// The first attach of a mesh object creates its set, whose controller imports the model
// file (clip 0, the bind pose); `scene` itself is not added then. Later attaches add
// `scene` as a clip to every controller of the set.
void AttachAnimation(CMeshObject& meshObject, const ImportedScenePtr& scene,
                     const std::string& path, const std::string& nodeName, const aiMesh* mesh,
                     const AnimationServices& services);

// A file changed on disk: when it is one of the set's clips, every controller imports it
// again and swaps it in at its next Advance.
void ReloadAnimationSet(AnimationSet& set, const std::string& path);

struct AdvanceOptions {
    uint64_t nowMs = 0;              // the millisecond tick count
    bool animateSequence = false;    // "Animate sequence"
    bool followCameraJoint = false;  // "Attach camera to camera joint"
};

// One frame of every controller, in map order: camera follow, sequencing, then the reload
// swap or the clock. Returns the camera matrix (engine layout) of the last controller that
// has a camera joint, when following.
std::optional<Matrix4> AdvanceAnimationSet(AnimationSet& set, const AdvanceOptions& options);
