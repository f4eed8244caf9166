// The pose of a skeleton from one clip, or from two clips mixed with a constant weight.
// Plain functions: the clip, the time and the bones in, final transforms and joints out.
#pragma once

#include <assimp/matrix4x4.h>

#include <vector>

#include "animation/AnimationClip.h"
#include "animation/Skeleton.h"

// Translation x rotation x scaling, in the import library's column-vector convention.
aiMatrix4x4 ComposeTransform(const aiVector3D& translation, const aiQuaternion& rotation,
                             const aiVector3D& scaling);

// A node's transform split up, as channels key it.
struct NodeTransform {
    aiVector3D translation;
    aiQuaternion rotation;
    aiVector3D scaling{1.0f, 1.0f, 1.0f};
};

// The channel's values at `ticks` (translation at `translationTicks`); what it has no keys
// for keeps `rest`.
NodeTransform SampleChannel(const aiNodeAnim& channel, const NodeTransform& rest, float ticks,
                            float translationTicks);
// `a` x `weightA` + `b` x (1 - weightA); rotations by spherical interpolation.
NodeTransform MixTransforms(const NodeTransform& a, const NodeTransform& b, float weightA);
aiMatrix4x4 Compose(const NodeTransform& t);

// Reused between frames so that a pose allocates nothing once warmed up.
struct PoseScratch {
    std::vector<aiMatrix4x4> globals;
    std::vector<int32_t> nearestJoint;
};

// Samples `clip` at `ticks` and writes the final transform of every bone found in its node
// tree (others keep theirs) and the joint tree. Bone indices beyond `bones` are ignored.
void PoseOneClip(const AnimationClip& clip, float ticks, const aiMatrix4x4& globalInverse,
                 std::vector<SkeletonBone>& bones, JointTree& joints, PoseScratch& scratch);

// Mixes clip A (weight `blend`) with clip B (weight 1 - blend), walking both node trees
// together: a pair of nodes whose names differ is skipped with everything below it.
void PoseBlended(const AnimationClip& a, float ticksA, const AnimationClip& b, float ticksB,
                 float blend, const aiMatrix4x4& globalInverse, std::vector<SkeletonBone>& bones,
                 JointTree& joints);
