// One clip of a controller: one animation (a take) of an imported scene. Its node tree is
// laid out flat and bound to the controller's bones once, when the clip is added, so that
// a frame's pose walks arrays instead of searching names.
#pragma once

#include <assimp/anim.h>
#include <assimp/scene.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "models/ModelImportContext.h"

struct ClipNode {
    const aiNode* node = nullptr;
    // Null when animation 0 has no channel for the node: it keeps its own transformation.
    const aiNodeAnim* channel = nullptr;
    // The node's own transformation split up: what a channel without keys of one kind keeps.
    aiVector3D restPosition;
    aiQuaternion restRotation;
    aiVector3D restScaling{1.0f, 1.0f, 1.0f};
    int32_t parent = -1;
    int32_t bone = -1;  // index in the controller's bone table, -1 for no bone
    // 2 for the root, one less per level: translation keys play only below 1, so the root
    // and its children keep their first key's translation.
    int32_t depth = 2;
    uint32_t firstChild = 0;  // children are consecutive entries of AnimationClip::nodes
    uint32_t childCount = 0;
};

struct AnimationClip {
    ImportedScenePtr scene;                  // null when the import failed: no pose uses the clip
    const aiAnimation* animation = nullptr;  // the take played, null when the scene has none
    uint32_t animationIndex = 0;             // which of the scene's animations
    std::vector<ClipNode> nodes;             // breadth first: parents before children
    // The largest number of keys of any channel that belongs to a node of the scene: the
    // clip is taken to hold one baked key per tick.
    unsigned keyCount = 0;
    float tickRate = 25.0f;  // ticks per second; 25 when the file gives none

    bool IsPlayable() const { return scene && animation && !nodes.empty(); }
};

// Lays out the scene's node tree and binds it to the channels of animation
// `animationIndex` (none when the scene has no such animation) and to the bones.
AnimationClip BindClip(ImportedScenePtr scene, const std::map<std::string, uint32_t>& boneMap,
                       uint32_t animationIndex = 0);

// The name a take is listed under: the animation's own name, else "take N" (from 1).
std::string TakeName(const aiScene& scene, uint32_t animationIndex);

// Playback time in seconds as a tick time: wraps at key count - 1 ticks. A clip of one key
// or none holds tick 0.
float ClipTickTime(const AnimationClip& clip, float seconds);

// Key count / tick rate: what a playback position of 1 stands for.
float ClipLengthSeconds(const AnimationClip& clip);
// How often the clip repeats: (key count - 1) / tick rate; 0 for one key or none.
float ClipLoopSeconds(const AnimationClip& clip);

// True when a channel with more than one position key ends before the last tick the clip
// plays (key count - 1): its node would stand still for the rest of the clip.
bool KeysEndBeforeLastTick(const AnimationClip& clip);
