#include "animation/ClipControl.h"

#include <algorithm>
#include <cmath>

#include "animation/AnimationController.h"

void SwitchClip(AnimationController& controller, uint32_t index)
{
    const uint32_t former = controller.currentClip;
    controller.currentClip = index;
    controller.blend = 1.0f;
    controller.timeA = controller.timeB = 0.0f;
    controller.previousClip = static_cast<int32_t>(former);
}

void SelectClip(AnimationController& controller, int64_t index)
{
    const uint32_t former = controller.currentClip;
    controller.timeA = controller.timeB = 0.0f;
    const int64_t target = index + 1;
    if (index >= 0 && target != former && target < controller.ClipCount())
        SwitchClip(controller, static_cast<uint32_t>(target));
    controller.previousClip = static_cast<int32_t>(former);
}

void SetPlaybackPosition(AnimationController& controller, float position)
{
    if (position < 0.0f) {
        controller.paused = !controller.paused;
        return;
    }
    const AnimationClip* clip = controller.CurrentClip();
    if (!clip || !clip->scene || !clip->animation || !std::isfinite(position))
        return;
    const float time = std::max(0.0f, ClipLengthSeconds(*clip) * position - 0.05f);
    controller.timeA = controller.timeB = time;
    controller.paused = true;
}

void StepSequence(AnimationController& controller)
{
    const AnimationClip* clip = controller.CurrentClip();
    if (!clip || !clip->animation)
        return;
    if (clip->tickRate * controller.timeA < static_cast<float>(clip->keyCount))
        return;
    const uint32_t former = controller.currentClip;
    controller.timeA = controller.timeB = 0.0f;
    if (former + 1 < controller.ClipCount())
        SwitchClip(controller, former + 1);
    else if (former != 1 && controller.ClipCount() >= 2)
        SwitchClip(controller, 1);
    controller.previousClip = static_cast<int32_t>(former);
}
