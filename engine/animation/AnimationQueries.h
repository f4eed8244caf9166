// What the interface reads about the shown model's animation, and the operations it and the
// exported functions call. Every function takes the model and must be called under the
// scene's model lock (CScene::WithModel), as the load thread swaps models under it.
// Adding an animation file is CModelImporter::ImportAnimationFile, which takes that lock
// itself: call it outside WithModel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CModelNode;

struct ControllerJoints {
    std::string meshName;                 // the mesh object the controller animates
    std::vector<std::string> jointNames;  // in bone order
};

struct AnimationOverview {
    bool hasController = false;  // the model's first animated mesh object has a controller
    // Of that first controller: its clip names (the bind pose first), the bone count of
    // its skeleton, whether it has a camera joint, the clock and the current clip.
    std::vector<std::string> clipNames;
    uint32_t boneCount = 0;
    bool hasCameraJoint = false;
    bool paused = false;
    float elapsedSeconds = 0.0f;     // time A
    float clipLengthSeconds = 0.0f;  // key count / tick rate of the current clip; 0: none
    float loopSeconds = 0.0f;        // how often the clip repeats: (key count - 1) / tick rate
    uint32_t currentClip = 0;
    float frameRate = 30.0f;  // the current clip's, as it is reviewed (AnimationReview.h)
    // For each clip, how long it plays before it repeats: (key count - 1) / tick rate.
    std::vector<float> clipLoopSeconds;
    // Where the clip's loop stands, as a fraction of its length, at most 1; 0 for a clip
    // without length.
    float Progress() const;
    // Every controller of the model, in the order of its mesh objects.
    std::vector<ControllerJoints> joints;
};

// Reads the overview; an empty one for a null model or one without animation.
AnimationOverview DescribeAnimation(const CModelNode* model);

// Makes clip `index` + 1 current on every controller (index 0: the first clip after the
// bind pose); out-of-range indices only restart the clips (AddActiveAnimation).
void ActivateClip(CModelNode& model, int index);
// The weight of the previous clip against the current one, 0 to 1; values outside are
// clamped and non-finite ones ignored (EngineSetAnimationBlend).
void SetAnimationBlend(CModelNode& model, float blend);
// -1 toggles pause; 0 to 1 scrubs to that fraction of the current clip and pauses.
void SetAnimationPlaybackPosition(CModelNode& model, float position);
// Sets every controller's clip time to `seconds` and pauses it there (for pictures of a
// chosen moment).
void SetAnimationTime(CModelNode& model, float seconds);
// The key times, in seconds, of the clip the overview describes; empty without one.
std::vector<float> CurrentClipKeySeconds(const CModelNode& model);
