// The debug interface's whole frame: drawn onto the window after the scene has been
// brought to it, never into a capture.
#pragma once

class CEngine;
struct InterfaceState;

void DrawInterface(CEngine& engine, InterfaceState& state);
