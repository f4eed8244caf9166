// Which clips of a controller play: switching, selection by number, scrubbing and automatic
// sequencing. Each works on one controller; the tree-wide forms are in AnimationQueries.h.
#pragma once

#include <cstdint>

class AnimationController;

// The reset every switch shares: the new clip starts, mixed in from the one it replaces
// (blend 1, until the mesh object sets its own blend), both times at 0.
void SwitchClip(AnimationController& controller, uint32_t index);

// Clip `index` + 1 becomes current (index 0 is the first clip after the bind pose) when it
// exists and is not current already. Either way both times restart and the previous clip
// is the one current before. Negative indices select nothing.
void SelectClip(AnimationController& controller, int64_t index);

// A negative position toggles paused. Otherwise the current clip's time is set to that
// fraction of its length (1 = the end), less 0.05 s and not below 0, and playback pauses.
void SetPlaybackPosition(AnimationController& controller, float position);

// With sequencing on: when the current clip has played all its keys, the next clip starts,
// or after the last one clip 1 again (the bind pose, clip 0, is skipped).
void StepSequence(AnimationController& controller);
