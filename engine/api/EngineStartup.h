// Start-up, resizing and the frame of the engine object.
#pragma once

#include <cstdint>

class CEngine;

// InitEngine's body: creates the sub-objects in their fixed order. Returns 0 or the
// graphics device's failure code.
int StartEngine(CEngine& engine, int window, int width, int height);

// ResizeEngine's body.
void ResizeEngineObjects(CEngine& engine, int width, int height);

// SendProcToNative's body: hands one SDL event (its address in lParam) to the debug
// interface and returns 1 when it was used.
int64_t ForwardEventToDebugInterface(CEngine& engine, int64_t eventAddress);
