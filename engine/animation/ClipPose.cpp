#include "animation/ClipPose.h"

#include <cstring>

#include "animation/KeySampling.h"

namespace {

// The channel's values at `ticks`. Translation keys play only below depth 1: the root and
// its children keep their first key's translation, so a clip cannot walk the model away.
NodeTransform SampleNode(const ClipNode& node, float ticks)
{
    const NodeTransform rest{node.restPosition, node.restRotation, node.restScaling};
    return SampleChannel(*node.channel, rest, ticks, node.depth < 1 ? ticks : 0.0f);
}

// Records a posed bone: its final transform and its joint below the nearest joint above.
// Returns the new joint's index, or the inherited one when the node is no (usable) bone.
//
// The palette entry of a bone, in the import library's column-vector convention:
//     final = globalInverse x global(t) x offset
// where global(t) is the bone node's transform in the scene at time t (the product of the
// posed locals from the root down), offset the bone's offset matrix (from the skinned
// mesh's space to the bone's at bind time: inverse(bone global at bind) x mesh global at
// bind), and globalInverse the inverse of the skinned mesh node's global at rest, the pose
// space. The mesh is drawn placed at that same rest global (x the model's world matrix), so
// a vertex v with weights w_i lands, in the scene, at
//     rest global x sum_i w_i final_i v = sum_i w_i (global_i(t) x offset_i) v,
// whatever rotations and scales the mesh node, the armature and their parents carry.
int32_t PlaceBone(int32_t bone, int32_t jointAbove, const aiMatrix4x4& global,
                  const aiMatrix4x4& globalInverse, std::vector<SkeletonBone>& bones,
                  JointTree& joints)
{
    if (bone < 0 || static_cast<size_t>(bone) >= bones.size())
        return jointAbove;
    const aiMatrix4x4 modelSpace = globalInverse * global;
    bones[bone].finalTransform = modelSpace * bones[bone].offset;
    joints.push_back({static_cast<uint32_t>(bone), jointAbove, modelSpace});
    return static_cast<int32_t>(joints.size() - 1);
}

bool SameName(const aiNode& a, const aiNode& b)
{
    return a.mName.length == b.mName.length &&
           std::memcmp(a.mName.data, b.mName.data, a.mName.length) == 0;
}

}  // namespace

NodeTransform SampleChannel(const aiNodeAnim& channel, const NodeTransform& rest, float ticks,
                            float translationTicks)
{
    NodeTransform t = rest;
    if (channel.mNumPositionKeys > 0 && channel.mPositionKeys)
        t.translation =
            SampleVectorKeys(channel.mPositionKeys, channel.mNumPositionKeys, translationTicks)
                .value;
    if (channel.mNumRotationKeys > 0 && channel.mRotationKeys)
        t.rotation =
            SampleRotationKeys(channel.mRotationKeys, channel.mNumRotationKeys, ticks).value;
    if (channel.mNumScalingKeys > 0 && channel.mScalingKeys)
        t.scaling = SampleVectorKeys(channel.mScalingKeys, channel.mNumScalingKeys, ticks).value;
    return t;
}

NodeTransform MixTransforms(const NodeTransform& a, const NodeTransform& b, float weightA)
{
    NodeTransform mixed;
    mixed.scaling = a.scaling * weightA + b.scaling * (1.0f - weightA);
    mixed.rotation = Slerp(b.rotation, a.rotation, weightA);
    mixed.translation = a.translation * weightA + b.translation * (1.0f - weightA);
    return mixed;
}

aiMatrix4x4 Compose(const NodeTransform& t)
{
    return ComposeTransform(t.translation, t.rotation, t.scaling);
}

aiMatrix4x4 ComposeTransform(const aiVector3D& translation, const aiQuaternion& rotation,
                             const aiVector3D& scaling)
{
    const aiMatrix3x3 r = rotation.GetMatrix();
    // Each column of the rotation scaled by its axis: rotation x scaling.
    return aiMatrix4x4(r.a1 * scaling.x, r.a2 * scaling.y, r.a3 * scaling.z, translation.x,
                       r.b1 * scaling.x, r.b2 * scaling.y, r.b3 * scaling.z, translation.y,
                       r.c1 * scaling.x, r.c2 * scaling.y, r.c3 * scaling.z, translation.z, 0.0f,
                       0.0f, 0.0f, 1.0f);
}

void PoseOneClip(const AnimationClip& clip, float ticks, const aiMatrix4x4& globalInverse,
                 std::vector<SkeletonBone>& bones, JointTree& joints, PoseScratch& scratch)
{
    joints.clear();
    const size_t count = clip.nodes.size();
    scratch.globals.resize(count);
    scratch.nearestJoint.resize(count);
    const bool animated = clip.animation != nullptr;
    // Parents come before their children, so one pass in order sees every parent done.
    for (size_t i = 0; i < count; ++i) {
        const ClipNode& node = clip.nodes[i];
        const aiMatrix4x4 local = animated && node.channel ? Compose(SampleNode(node, ticks))
                                                           : node.node->mTransformation;
        const int32_t jointAbove = node.parent < 0 ? -1 : scratch.nearestJoint[node.parent];
        scratch.globals[i] = node.parent < 0 ? local : scratch.globals[node.parent] * local;
        scratch.nearestJoint[i] =
            PlaceBone(node.bone, jointAbove, scratch.globals[i], globalInverse, bones, joints);
    }
}

void PoseBlended(const AnimationClip& a, float ticksA, const AnimationClip& b, float ticksB,
                 float blend, const aiMatrix4x4& globalInverse, std::vector<SkeletonBone>& bones,
                 JointTree& joints)
{
    joints.clear();
    if (a.nodes.empty() || b.nodes.empty())
        return;
    struct Pair {
        uint32_t a, b;
        aiMatrix4x4 parentGlobal;
        int32_t jointAbove;
    };
    // An explicit stack: node trees of hostile files may be deeper than the call stack.
    std::vector<Pair> stack{{0, 0, aiMatrix4x4(), -1}};
    while (!stack.empty()) {
        const Pair pair = stack.back();
        stack.pop_back();
        const ClipNode& nodeA = a.nodes[pair.a];
        const ClipNode& nodeB = b.nodes[pair.b];
        if (!SameName(*nodeA.node, *nodeB.node))
            continue;
        aiMatrix4x4 local = nodeA.node->mTransformation;
        if (nodeA.channel && nodeB.channel) {
            local =
                Compose(MixTransforms(SampleNode(nodeA, ticksA), SampleNode(nodeB, ticksB), blend));
        }
        const aiMatrix4x4 global = pair.parentGlobal * local;
        const int32_t joint =
            PlaceBone(nodeA.bone, pair.jointAbove, global, globalInverse, bones, joints);
        const uint32_t children = std::min(nodeA.childCount, nodeB.childCount);
        // Pushed last to first, so that children are visited in their order.
        for (uint32_t c = children; c-- > 0;)
            stack.push_back({nodeA.firstChild + c, nodeB.firstChild + c, global, joint});
    }
}
