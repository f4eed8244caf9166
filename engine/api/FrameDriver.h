// The per-frame driver: one frame per Present, and one frame into a capture target for
// screenshots.
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/FullscreenQuad.h"

class CEngine;
class CCaptureTarget;

// The largest step a frame may advance time by, in seconds.
inline constexpr float kMaxFrameTime = 0.016666668f;

// Present's body.
void RenderFrame(CEngine& engine);

// Everything of a frame up to the finished back buffer, without showing it: what the
// headless renderer reads back. `capture` leaves out gizmo, grid and light mesh. False
// before start-up finished.
bool ComposeFrame(CEngine& engine, bool capture);

// Renders the scene once into `target` without gizmo, grid or light; leaves the camera
// size, the bound targets and the viewport as they were.
void RenderToCapture(CEngine& engine, CCaptureTarget& target);

// The fullscreen pass with the engine's shader object: draws `sceneView` onto the bound
// target (see CFullscreenQuad::Draw). False when nothing was drawn (no compiled shaders).
bool DrawFullscreenPass(CEngine& engine, const std::shared_ptr<gpu::ShaderResourceView>& sceneView,
                        const CFullscreenQuad::ExtraViews& extraViews = {});

// Binds the scene target with the shared depth view and clears both.
void BeginSceneTarget(CEngine& engine);

// Frame time from two monotonic time stamps in nanoseconds, capped at kMaxFrameTime.
float FrameTimeFromDelta(int64_t deltaNs, bool videoRecording);
// Moves the clips' clock on by a frame: `deltaNs` of real time, or exactly 1/60 s while
// recording video.
void AdvanceAnimationClock(CEngine& engine, int64_t deltaNs);
