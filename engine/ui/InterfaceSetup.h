// Starting the debug interface (font, library context, its SDL2 and OpenGL3 back ends,
// the engine's look), feeding it the host's events, and the frame steps around the panels.
#pragma once

#include <cstdint>

union SDL_Event;
class CEngine;
struct InterfaceState;

// Once, after the device exists. A failure is reported in the log and leaves the
// interface off; the engine runs on without it.
void InitInterface(CEngine& engine, InterfaceState& state);

// Stops the back ends (deleting their GL objects, so with the device's context current)
// and the library context; the interface is off afterwards.
void ShutdownInterface(InterfaceState& state);

// SendProcToNative's body: hands the event to the interface and returns 1 when the
// interface wants it (the pointer for mouse events, the keyboard for key and text events).
int64_t ForwardInterfaceEvent(InterfaceState& state, const SDL_Event* event);

// True while the interface holds the pointer: it is over a panel or drags a widget. The
// camera and the light then ignore the mouse buttons.
bool InterfaceHoldsPointer(const InterfaceState& state);

// Starts an interface frame; false when the interface is off.
bool BeginInterfaceFrame(InterfaceState& state);
// Ends the frame and draws it onto the window.
void RenderInterfaceFrame(CEngine& engine);
