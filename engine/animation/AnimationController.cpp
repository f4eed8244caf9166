#include "animation/AnimationController.h"

#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "animation/AnimationMatrix.h"
#include "animation/AnimationReview.h"
#include "animation/ClipControl.h"
#include "animation/ClipImport.h"
#include "platform/RegularFile.h"

namespace {

std::string NameOf(const aiString& name)
{
    return std::string(name.data, std::min<size_t>(name.length, MAXLEN - 1));
}

// The camera joint is turned half a turn about its up axis: the viewer's camera looks
// along +z, a camera joint along -z.
aiMatrix4x4 HalfTurnAboutY()
{
    const float angle = 3.14f;
    const float c = std::cos(angle), s = std::sin(angle);
    return aiMatrix4x4(c, 0, s, 0, 0, 1, 0, 0, -s, 0, c, 0, 0, 0, 0, 1);
}

}  // namespace

void AnimationController::SetPoseSpace(const aiMatrix4x4& space)
{
    // A collapsed or broken node transform would turn every pose into NaNs: the scene's
    // own space is kept instead.
    const std::optional<aiMatrix4x4> inverse = InverseOf(space);
    poseSpace = inverse ? space : aiMatrix4x4();
    globalInverse = inverse.value_or(aiMatrix4x4());
}

void AnimationController::LoadFile(const std::string& path, const std::string& nodeName,
                                   const aiMesh* mesh, const AnimationReports& reports,
                                   const aiMatrix4x4& space)
{
    name = path;
    // Checked without opening it for the library: a FIFO must not block here.
    if (!platform::RegularFile(path).IsOpen()) {
        reports.MessageBox("ERROR", "Couldn't open file: " + path);
        return;
    }
    ++importCount;
    ClipImport imported = ImportClipFile(path);
    lastImportError = imported.errorText;
    currentClip = static_cast<uint32_t>(clips.size());
    if (imported.scene) {
        SetPoseSpace(space);
        InitialiseFromScene(*imported.scene, mesh, reports);
    }
    clips.push_back(BindClip(imported.scene, boneMap));
    if (imported.scene) {
        // Keys baked one per tick must reach the last tick the clip plays.
        if (KeysEndBeforeLastTick(clips.back()))
            reports.Error("The animation duration is longer than the baked keys: " + nodeName);
        LogImportNote("Import of _curScene " + path + " succeeded.", false);
    }
}

void AnimationController::InitialiseFromScene(const aiScene& scene, const aiMesh* mesh,
                                              const AnimationReports& reports)
{
    lastTick = kClockNotStarted;
    timeA = timeB = 0.0f;
    if (mesh)
        SetUpBones(*mesh, scene, reports);
}

void AnimationController::SetUpBones(const aiMesh& mesh, const aiScene& scene,
                                     const AnimationReports& reports)
{
    if (mesh.mNumBones > kMaxSkeletonBones) {
        reports.Error("You have more bones than we support! We support max 256 bones");
        return;
    }
    bool cameraJointIsBone = false;
    for (unsigned b = 0; mesh.mBones && b < mesh.mNumBones; ++b) {
        const aiBone* bone = mesh.mBones[b];
        if (!bone)
            continue;
        const std::string boneName = NameOf(bone->mName);
        if (boneName == cameraJointName)
            cameraJointIsBone = hasCameraJoint = true;
        auto [entry, added] = boneMap.emplace(boneName, static_cast<uint32_t>(bones.size()));
        if (added)
            bones.emplace_back();
        bones[entry->second].offset = bone->mOffsetMatrix;
    }
    if (!cameraJointIsBone)
        AddCameraJointNodes(scene);
}

void AnimationController::AddCameraJointNodes(const aiScene& scene)
{
    // Every node whose name contains the camera joint's becomes a bone of its own, so that
    // a camera rig outside the skin can still be followed. Depth first, from the root.
    std::vector<const aiNode*> stack;
    if (scene.mRootNode)
        stack.push_back(scene.mRootNode);
    while (!stack.empty()) {
        const aiNode* node = stack.back();
        stack.pop_back();
        const std::string nodeName = NameOf(node->mName);
        if (nodeName.find(cameraJointName) != std::string::npos) {
            cameraJointName = nodeName;
            hasCameraJoint = true;
            // A node that is a bone already keeps its number: numbering by the map's size
            // would give two bones one index once a name repeats.
            if (boneMap.emplace(nodeName, static_cast<uint32_t>(bones.size())).second)
                bones.emplace_back();
        }
        for (unsigned c = node->mChildren ? node->mNumChildren : 0; c-- > 0;)
            if (node->mChildren[c])
                stack.push_back(node->mChildren[c]);
    }
}

bool AnimationController::AddClip(ImportedScenePtr scene, const std::string& nodeName,
                                  const AnimationReports& reports, uint32_t animationIndex)
{
    clips.push_back(BindClip(std::move(scene), boneMap, animationIndex));
    const AnimationClip* current = CurrentClip();
    if (!current || !current->scene) {
        LogImportNote(lastImportError, true);
        return false;
    }
    const AnimationClip& added = clips.back();
    if (added.keyCount > 0 && added.animation &&
        static_cast<double>(added.keyCount - 1) != std::trunc(added.animation->mDuration))
        reports.Error("Animation timeline is not the same length as the keys: " + nodeName);
    return true;
}

ClipReloadTarget AnimationController::RequestReload(const std::vector<uint32_t>& indices)
{
    ++importCount;
    std::lock_guard<std::mutex> guard(mailbox->lock);
    return {mailbox, indices, ++mailbox->requested};
}

void AnimationController::Advance(uint64_t nowMs, float speed, bool loop)
{
    {
        std::lock_guard<std::mutex> guard(mailbox->lock);
        if (!mailbox->arrived.empty())
            pendingClips = std::move(mailbox->arrived);
        mailbox->arrived.clear();
        if (!mailbox->errorText.empty())
            lastImportError = std::move(mailbox->errorText);
        mailbox->errorText.clear();
    }
    if (!pendingClips.empty()) {
        const uint32_t former = currentClip;
        bool swapped = false, swappedCurrent = false;
        uint32_t firstSwapped = 0;
        for (PendingClip& pending : pendingClips) {
            if (pending.index >= clips.size())
                continue;
            if (!swapped)
                firstSwapped = pending.index;
            // The replaced scene is released here, on the thread that draws. The clip
            // keeps playing the same take of the new file.
            const uint32_t take = clips[pending.index].animationIndex;
            clips[pending.index] = BindClip(std::move(pending.scene), boneMap, take);
            swappedCurrent |= pending.index == former;
            swapped = true;
        }
        if (swapped) {
            timeA = timeB = 0.0f;
            // The edited file is shown: its clip playing already, else its first clip.
            if (!swappedCurrent)
                SwitchClip(*this, firstSwapped);
            previousClip = static_cast<int32_t>(former);
        }
        pendingClips.clear();
        return;
    }
    if (lastTick == kClockNotStarted)
        lastTick = nowMs;
    const float dt = nowMs > lastTick ? static_cast<float>(nowMs - lastTick) / 1000.0f : 0.0f;
    lastTick = nowMs;
    if (paused)
        return;
    // While blending, time A runs in the previous clip.
    const AnimationClip* clipA =
        blend > 0.0f && previousClip >= 0 ? Clip(previousClip) : CurrentClip();
    const AnimationClip* clipB = CurrentClip();
    timeA = AdvanceClipClock(timeA, dt, speed, clipA ? ClipLoopSeconds(*clipA) : 0.0f, loop);
    timeB = AdvanceClipClock(timeB, dt, speed, clipB ? ClipLoopSeconds(*clipB) : 0.0f, loop);
    if (blend > 0.0f)
        blend -= dt * std::max(speed, 0.0f);
}

const AnimationClip* AnimationController::Clip(int64_t index) const
{
    return index >= 0 && static_cast<uint64_t>(index) < clips.size() ? &clips[index] : nullptr;
}

bool AnimationController::ComputePose()
{
    const AnimationClip* previous = Clip(previousClip);
    const AnimationClip* current = CurrentClip();
    if (previousClip < 0 || !previous || !current || !previous->IsPlayable() ||
        !current->IsPlayable())
        return false;
    if (blend > 0.0f)
        PoseBlended(*previous, ClipTickTime(*previous, timeA), *current,
                    ClipTickTime(*current, timeB), std::min(blend, 1.0f), globalInverse, bones,
                    joints);
    else
        PoseOneClip(*current, ClipTickTime(*current, timeA), globalInverse, bones, joints, scratch);
    hasJoints = true;
    return true;
}

std::optional<aiMatrix4x4> AnimationController::CameraJointTransform() const
{
    if (!hasCameraJoint)
        return std::nullopt;
    const auto found = boneMap.find(cameraJointName);
    if (found == boneMap.end() || found->second >= bones.size())
        return std::nullopt;
    const SkeletonBone& bone = bones[found->second];
    const std::optional<aiMatrix4x4> inverseOffset = InverseOf(bone.offset);
    if (!inverseOffset)
        return std::nullopt;
    // Final = global inverse x global x offset: the joint in pose space, then in the scene's.
    aiMatrix4x4 joint = poseSpace * bone.finalTransform * *inverseOffset;
    // Turn the upper 3x3 about the joint's own up axis; the position stays.
    const aiMatrix4x4 turned = joint * HalfTurnAboutY();
    joint.a1 = turned.a1, joint.a2 = turned.a2, joint.a3 = turned.a3;
    joint.b1 = turned.b1, joint.b2 = turned.b2, joint.b3 = turned.b3;
    joint.c1 = turned.c1, joint.c2 = turned.c2, joint.c3 = turned.c3;
    return IsFinite(joint) ? std::optional(joint) : std::nullopt;
}
