// Start-up, resizing and the frame of the engine object.
#pragma once

#include <cstddef>
#include <cstdint>

class CEngine;
class CScene;

// InitEngine's body: creates the sub-objects in their fixed order. Returns 0 or the
// graphics device's failure code.
int StartEngine(CEngine& engine, int window, int width, int height);

// Returns an initialised engine to the created state, on the window thread: waits for the
// model loads, destroys every sub-object, then shuts the device down (queue, contexts,
// upload window). Reports any GPU object still alive on standard error and returns their
// total. For tests and tools: the exported interface has no shutdown, the process ends.
size_t ShutdownEngine(CEngine& engine);

// ResizeEngine's body.
void ResizeEngineObjects(CEngine& engine, int width, int height);

// SendProcToNative's body: hands one SDL event (its address in lParam) to the debug
// interface and returns 1 when it was used.
int64_t ForwardEventToDebugInterface(CEngine& engine, int64_t eventAddress);

// Gives `scene` what the engine owns for it: camera, device, input, file watcher, line
// renderer and shader object (those that exist yet), and the engine's model path and
// reload request. Start-up does it; so does anything that replaces the scene.
void ConnectScene(CEngine& engine, CScene& scene);
