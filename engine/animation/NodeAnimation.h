// Animation of nodes: the channels of the clip playing that drive the model's own nodes move
// those nodes, so rigid parts turn and slide as they were authored (a spinning hub, a sliding
// cart, a prop held in a hand). It runs on the same controller state as skeletal clips:
// clock, clip choice, blend and sequencing. Unlike a skeleton's root, every node's
// translation plays: a sliding cart must slide.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "animation/AnimationSet.h"
#include "math/Matrix4.h"

class CModelNode;
struct SceneNodes;

// Makes sure the model has its node animation, with the model file's takes: the set's one
// controller (keyed by no mesh) plays the model's own imported scene, so nothing is imported
// again. Then, when `scene` is another file's (an added animation file), adds its takes.
// For a file without mesh, `skeleton` makes every animated node and its descendants a bone:
// the joints the skeleton display shows.
void AttachNodeAnimation(CModelNode& root, const ImportedScenePtr& scene, const std::string& path,
                         const AnimationServices& services, bool skeleton = false);

// The model's nodes where the node animation's clips stand now (blended like a skeleton's),
// without advancing its clock; nodes without a channel stay at rest.
void PoseModelNodes(CModelNode& root);

// One frame of the node animation: camera follow, sequencing, the clock, then the pose.
// Returns the camera matrix when following a camera joint of the node animation.
std::optional<Matrix4> AdvanceModelNodes(CModelNode& root, const AdvanceOptions& options);
