#include "animation/AnimationReview.h"

#include <assimp/anim.h>

#include <algorithm>
#include <cmath>

#include "animation/AnimationClip.h"

namespace {

constexpr float kSameTime = 0.0005f;  // seconds

template <typename Key>
void AppendKeyTimes(const Key* keys, unsigned count, float tickRate, std::vector<float>& out)
{
    if (!keys)
        return;
    for (unsigned k = 0; k < count; ++k) {
        const double seconds = keys[k].mTime / tickRate;
        if (std::isfinite(seconds))
            out.push_back(static_cast<float>(seconds));
    }
}

}  // namespace

float ReviewFrameRate(float tickRate)
{
    return tickRate >= 10.0f && tickRate <= 240.0f ? tickRate : 30.0f;
}

FrameReadout ReadFrames(float elapsed, float loopSeconds, float frameRate)
{
    FrameReadout readout;
    readout.frameRate = frameRate > 0.0f && std::isfinite(frameRate) ? frameRate : 30.0f;
    readout.loopSeconds = loopSeconds > 0.0f && std::isfinite(loopSeconds) ? loopSeconds : 0.0f;
    float within = std::isfinite(elapsed) ? std::max(elapsed, 0.0f) : 0.0f;
    if (readout.loopSeconds > 0.0f) {
        within = std::fmod(within, readout.loopSeconds);
        // A clock held just before the end (looping off) shows the end.
        if (readout.loopSeconds - within < kSameTime)
            within = readout.loopSeconds;
    }
    readout.seconds = within;
    readout.lastFrame = std::lround(readout.loopSeconds * readout.frameRate);
    readout.frame = std::min(std::lround(within * readout.frameRate), readout.lastFrame);
    return readout;
}

float StepFrames(const FrameReadout& shown, int step, bool loop)
{
    const long count = shown.lastFrame;
    if (count <= 0)
        return 0.0f;
    long frame = shown.frame + step;
    if (loop)
        frame = ((frame % (count + 1)) + count + 1) % (count + 1);
    else
        frame = std::clamp(frame, 0L, count);
    if (frame == count)
        return HoldableTime(shown.loopSeconds, shown.loopSeconds);
    return static_cast<float>(frame) / shown.frameRate;
}

std::vector<float> ClipKeySeconds(const AnimationClip& clip)
{
    std::vector<float> times;
    if (!clip.animation || !clip.animation->mChannels || !(clip.tickRate > 0.0f))
        return times;
    for (unsigned c = 0; c < clip.animation->mNumChannels; ++c) {
        const aiNodeAnim* channel = clip.animation->mChannels[c];
        if (!channel)
            continue;
        AppendKeyTimes(channel->mPositionKeys, channel->mNumPositionKeys, clip.tickRate, times);
        AppendKeyTimes(channel->mRotationKeys, channel->mNumRotationKeys, clip.tickRate, times);
        AppendKeyTimes(channel->mScalingKeys, channel->mNumScalingKeys, clip.tickRate, times);
    }
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    return times;
}

std::optional<float> NeighbourKey(const std::vector<float>& keySeconds, float seconds,
                                  int direction)
{
    if (direction > 0) {
        for (float key : keySeconds)
            if (key > seconds + kSameTime)
                return key;
    } else {
        for (auto key = keySeconds.rbegin(); key != keySeconds.rend(); ++key)
            if (*key < seconds - kSameTime)
                return *key;
    }
    return std::nullopt;
}

float HoldableTime(float seconds, float loopSeconds)
{
    if (!(loopSeconds > 0.0f) || seconds < loopSeconds * (1.0f - 1e-6f))
        return seconds;
    return loopSeconds * (1.0f - 1e-6f);
}

float AdvanceClipClock(float seconds, float dt, float speed, float loopSeconds, bool loop)
{
    const float rate = std::isfinite(speed) && speed > 0.0f ? speed : 0.0f;
    const float step = std::isfinite(dt) && dt > 0.0f ? dt * rate : 0.0f;
    if (loop || !(loopSeconds > 0.0f))
        return seconds + step;
    // The clock may have run on over earlier passes: the pass it is in stops at its end,
    // so turning looping off never makes the pose jump.
    const float within = seconds >= loopSeconds ? std::fmod(seconds, loopSeconds) : seconds;
    return HoldableTime(within + step, loopSeconds);
}
