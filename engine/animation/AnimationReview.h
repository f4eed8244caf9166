// Frame-accurate review of a clip: its time as frames at the clip's own rate, one frame
// back and forward, the previous and next key, and how far the clock runs with a speed and
// with looping off. Plain arithmetic on seconds, apart from reading a clip's key times.
#pragma once

#include <optional>
#include <vector>

struct AnimationClip;

// The frame rate a clip is reviewed at: its tick rate when that is a plausible frame rate
// (10 to 240), else 30. Files that count time in fine ticks (thousands a second) would
// otherwise step by a fraction of a frame.
float ReviewFrameRate(float tickRate);

// Where a time stands as frames: frame = time x rate rounded, of `lastFrame` = the loop's
// length x rate rounded (frames 0 to lastFrame, the last showing the last key).
struct FrameReadout {
    long frame = 0;
    long lastFrame = 0;
    float seconds = 0.0f;      // within the loop
    float loopSeconds = 0.0f;  // the loop's length
    float frameRate = 30.0f;
};
// `elapsed` is the controller's clock, which runs on across loops.
FrameReadout ReadFrames(float elapsed, float loopSeconds, float frameRate);

// The time of the frame `step` frames from the one shown (as ReadFrames rounds it). Past
// either end it wraps round with looping on and stops at the end with it off.
float StepFrames(const FrameReadout& shown, int step, bool loop);

// Every key time of the clip's channels (positions, rotations, scalings) in seconds,
// sorted, repeats removed; empty for a clip without animation. Non-finite times are
// skipped.
std::vector<float> ClipKeySeconds(const AnimationClip& clip);

// The first key after `seconds` (direction > 0) or the last before it (direction < 0),
// half a millisecond counting as the same time; nothing when there is none that way.
std::optional<float> NeighbourKey(const std::vector<float>& keySeconds, float seconds,
                                  int direction);

// A time the pose can be shown at: the loop's end itself wraps to the first key, so a
// time at or beyond it is held just before it, where the last key shows.
float HoldableTime(float seconds, float loopSeconds);

// The clock after `dt` seconds at `speed` (1 = normal; negative or non-finite counts as
// 0). With looping off it stops at the loop's end, held as HoldableTime says.
float AdvanceClipClock(float seconds, float dt, float speed, float loopSeconds, bool loop);
