#include "animation/AnimationQueries.h"

#include <algorithm>
#include <cmath>

#include "animation/AnimationReview.h"
#include "animation/AnimationSet.h"
#include "animation/ClipControl.h"
#include "models/ModelNode.h"

namespace {

// Mesh objects with clips of their own (a skeleton stand-in plays the model's node
// animation, which is visited once, on its own).
std::vector<CMeshObject*> AnimatedMeshObjects(const CModelNode& model)
{
    std::vector<CMeshObject*> all;
    model.CollectMeshObjects(all);
    std::vector<CMeshObject*> animated;
    for (CMeshObject* meshObject : all)
        if (meshObject->animationSet && meshObject->animationSet != model.nodeAnimation)
            animated.push_back(meshObject);
    return animated;
}

// Skeletal controllers and the node animation's alike: one clock and one clip choice.
template <typename Visit>
void ForEachController(CModelNode& model, Visit visit)
{
    for (CMeshObject* meshObject : AnimatedMeshObjects(model))
        for (auto& [key, controller] : meshObject->animationSet->controllers)
            visit(*controller);
    if (model.nodeAnimation)
        for (auto& [key, controller] : model.nodeAnimation->controllers)
            visit(*controller);
}

std::vector<std::string> JointNames(const AnimationController& controller)
{
    std::vector<std::string> names(controller.bones.size());
    for (const auto& [name, index] : controller.boneMap)
        if (index < names.size())
            names[index] = name;
    return names;
}

// The animation set the overview describes: the first animated mesh object's, or the node
// animation's when only nodes move.
AnimationSet* DescribedSet(const CModelNode& model, const std::vector<CMeshObject*>& animated)
{
    return animated.empty() ? model.nodeAnimation.get() : animated.front()->animationSet.get();
}

}  // namespace

float AnimationOverview::Progress() const
{
    if (!(clipLengthSeconds > 0.0f))
        return 0.0f;
    // The clock runs on while the clip loops: show where in the loop it is, rather than
    // the end of the clip from the second pass on.
    const float within =
        loopSeconds > 0.0f ? std::fmod(elapsedSeconds, loopSeconds) : elapsedSeconds;
    return std::min(within / clipLengthSeconds, 1.0f);
}

AnimationOverview DescribeAnimation(const CModelNode* model)
{
    AnimationOverview overview;
    if (!model)
        return overview;
    const std::vector<CMeshObject*> animated = AnimatedMeshObjects(*model);
    for (CMeshObject* meshObject : animated)
        for (auto& [key, controller] : meshObject->animationSet->controllers)
            overview.joints.push_back({meshObject->name, JointNames(*controller)});
    // A model whose nodes alone move is described by its node animation.
    AnimationSet* described = DescribedSet(*model, animated);
    if (!described)
        return overview;
    if (animated.empty() && described->FirstController() &&
        !described->FirstController()->bones.empty())
        overview.joints.push_back({"Skeleton", JointNames(*described->FirstController())});
    AnimationSet& set = *described;
    const AnimationController* first = set.FirstController();
    if (!first)
        return overview;
    overview.hasController = true;
    overview.clipNames = set.clipNames;
    overview.boneCount = static_cast<uint32_t>(first->bones.size());
    overview.hasCameraJoint = first->hasCameraJoint;
    overview.paused = first->paused;
    overview.elapsedSeconds = first->timeA;
    if (const AnimationClip* clip = first->CurrentClip(); clip && clip->animation) {
        overview.clipLengthSeconds = ClipLengthSeconds(*clip);
        overview.loopSeconds = ClipLoopSeconds(*clip);
        overview.frameRate = ReviewFrameRate(clip->tickRate);
    }
    overview.currentClip = first->currentClip;
    for (const AnimationClip& clip : first->clips)
        overview.clipLoopSeconds.push_back(ClipLoopSeconds(clip));
    return overview;
}

void ActivateClip(CModelNode& model, int index)
{
    ForEachController(model, [index](AnimationController& c) { SelectClip(c, index); });
}

void SetAnimationBlend(CModelNode& model, float blend)
{
    if (!std::isfinite(blend))
        return;
    model.SetBlendValue(std::clamp(blend, 0.0f, 1.0f));
}

void SetAnimationPlaybackPosition(CModelNode& model, float position)
{
    ForEachController(model,
                      [position](AnimationController& c) { SetPlaybackPosition(c, position); });
}

void SetAnimationTime(CModelNode& model, float seconds)
{
    if (!std::isfinite(seconds))
        return;
    ForEachController(model, [seconds](AnimationController& c) {
        c.timeA = c.timeB = seconds;
        c.paused = true;
    });
}

std::vector<float> CurrentClipKeySeconds(const CModelNode& model)
{
    AnimationSet* set = DescribedSet(model, AnimatedMeshObjects(model));
    const AnimationController* first = set ? set->FirstController() : nullptr;
    const AnimationClip* clip = first ? first->CurrentClip() : nullptr;
    return clip ? ClipKeySeconds(*clip) : std::vector<float>{};
}
