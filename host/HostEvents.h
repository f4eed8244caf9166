// The host's reaction to window events and its per-pass input feeding.
#pragma once

#include <SDL.h>

#include <optional>

#include "DropRule.h"
#include "EngineCalls.h"

namespace host {

class HostEvents {
   public:
    HostEvents(EngineCalls& engine, int windowId) : engine_(engine), windowId_(windowId) {}

    // Forwards the event to the engine, then handles it. Returns the exit code when the
    // event ends the program: quit, or closing the main window (SDL sends no quit for it
    // while the engine keeps another window). Takes ownership of a dropped name and frees it.
    // A wheel turn that the engine's interface did not use zooms the camera.
    std::optional<int> Handle(SDL_Event& event);

    // Whether the engine's interface used the last key or text event (a text field has
    // the keyboard).
    bool InterfaceHasKeyboard() const { return interfaceHasKeyboard_; }

    // Hands one name to the engine as if it had been dropped on its own. Returns false
    // when the name cannot be read.
    bool OpenAsDropped(const char* name);

    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }

   private:
    void HandleWindowEvent(const SDL_WindowEvent& event);
    void Dispatch(const DropAction& action);
    void FeedWheel(const SDL_MouseWheelEvent& wheel);

    EngineCalls& engine_;
    int windowId_;
    DropBatch drops_;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
    bool interfaceHasKeyboard_ = false;
};

// The input state the loop reads once per pass when no event waits.
struct InputSnapshot {
    bool windowActive = false;
    bool leftButton = false;
    bool rightButton = false;
    bool middleButton = false;
    bool leftAlt = false;
    bool leftCtrl = false;
    bool focusKey = false;
    // Keys typed into the engine's interface are no commands.
    bool interfaceHasKeyboard = false;
    int mouseX = 0;  // screen coordinates
    int mouseY = 0;
};

InputSnapshot ReadInput(SDL_Window* window);

// Camera and light keys are fed only while the window is active, so that the engine keeps
// the last values; the cursor is fed always. F focuses on every pass while held, unless the
// interface has the keyboard.
void FeedInput(const InputSnapshot& input, EngineCalls& engine);

}  // namespace host
