// What a pose writes: the controller's bone table and the joint tree of the last pose.
#pragma once

#include <assimp/matrix4x4.h>

#include <cstdint>
#include <vector>

struct SkeletonBone {
    aiMatrix4x4 offset;          // mesh space to the bone's space in the bind pose
    aiMatrix4x4 finalTransform;  // global inverse x global x offset: the palette entry
};

// One posed joint: a bone found in the clip's node tree, linked to the nearest bone above it.
struct Joint {
    uint32_t bone = 0;
    int32_t parent = -1;     // index into the joint tree, -1 for a top joint
    aiMatrix4x4 modelSpace;  // global inverse x global: where the joint stands
};
using JointTree = std::vector<Joint>;
