#include "HostEvents.h"

#include <cstdint>

namespace host {

std::optional<int> HostEvents::Handle(SDL_Event& event)
{
    const int64_t used = engine_.sendProcToNative(
        windowId_, event.type, 0, static_cast<int64_t>(reinterpret_cast<intptr_t>(&event)));
    switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
        case SDL_TEXTINPUT:
            interfaceHasKeyboard_ = used != 0;
            break;
        case SDL_MOUSEWHEEL:
            if (!used && event.wheel.windowID == static_cast<Uint32>(windowId_))
                FeedWheel(event.wheel);
            break;
        case SDL_QUIT:
            return 0;
        case SDL_WINDOWEVENT:
            // The engine may own windows of its own (a hidden one for uploads); their events
            // must not size the engine or end the program.
            if (event.window.windowID != static_cast<Uint32>(windowId_))
                break;
            if (event.window.event == SDL_WINDOWEVENT_CLOSE)
                return 0;
            HandleWindowEvent(event.window);
            break;
        case SDL_DROPBEGIN:
            drops_.Begin();
            break;
        case SDL_DROPFILE:
            if (std::optional<DropAction> action = drops_.Offer(event.drop.file))
                Dispatch(*action);
            SDL_free(event.drop.file);
            event.drop.file = nullptr;
            break;
        case SDL_DROPTEXT:
            // Dropped text is no file; SDL still hands over the buffer.
            SDL_free(event.drop.file);
            event.drop.file = nullptr;
            break;
        case SDL_DROPCOMPLETE:
            drops_.Complete();
            break;
        default:
            break;
    }
    return std::nullopt;
}

bool HostEvents::OpenAsDropped(const char* name)
{
    const std::optional<DropAction> action = ClassifyDroppedName(name);
    if (action)
        Dispatch(*action);
    return action.has_value();
}

void HostEvents::HandleWindowEvent(const SDL_WindowEvent& event)
{
    if (event.event != SDL_WINDOWEVENT_SIZE_CHANGED)
        return;
    clientWidth_ = event.data1;
    clientHeight_ = event.data2;
    // A minimised window reports a zero size, which the engine cannot size its targets to.
    if (clientWidth_ != 0 && clientHeight_ != 0)
        engine_.resizeEngine(clientWidth_, clientHeight_);
}

void HostEvents::Dispatch(const DropAction& action)
{
    if (action.target == DropTarget::Image)
        engine_.askEngineAboutImage(action.utf16Path.c_str());
    else
        engine_.loadModel(action.path.c_str());
}

void HostEvents::FeedWheel(const SDL_MouseWheelEvent& wheel)
{
    // The camera counts 120 units per notch; "natural" scrolling reports notches reversed.
    constexpr int kUnitsPerNotch = 120;
    const int notches = wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -wheel.y : wheel.y;
    if (notches != 0 && engine_.feedMouseScroll)
        engine_.feedMouseScroll(notches * kUnitsPerNotch);
}

InputSnapshot ReadInput(SDL_Window* window)
{
    InputSnapshot input;
    input.windowActive = window && SDL_GetKeyboardFocus() == window;
    if (input.windowActive) {
        const Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
        input.leftButton = (buttons & SDL_BUTTON_LMASK) != 0;
        input.rightButton = (buttons & SDL_BUTTON_RMASK) != 0;
        input.middleButton = (buttons & SDL_BUTTON_MMASK) != 0;
        const Uint8* keys = SDL_GetKeyboardState(nullptr);
        input.leftAlt = keys[SDL_SCANCODE_LALT] != 0;
        input.leftCtrl = keys[SDL_SCANCODE_LCTRL] != 0;
        input.focusKey = keys[SDL_SCANCODE_F] != 0;
    }
    SDL_GetGlobalMouseState(&input.mouseX, &input.mouseY);
    return input;
}

void FeedInput(const InputSnapshot& input, EngineCalls& engine)
{
    if (input.windowActive) {
        engine.feedCameraControl(input.leftButton, input.leftAlt, input.middleButton,
                                 input.rightButton);
        engine.feedLightControl(input.leftButton, input.leftCtrl, input.middleButton,
                                input.rightButton);
        if (input.focusKey && !input.interfaceHasKeyboard)
            engine.focusOnObject();
    }
    engine.feedMousePos(input.mouseX, input.mouseY);
}

}  // namespace host
