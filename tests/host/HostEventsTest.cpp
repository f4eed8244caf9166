// How the host turns window events and input state into engine calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "HostEvents.h"

namespace host {
namespace {

constexpr int kWindowId = 7;

// Records every engine call as one line of text.
struct RecordingEngine {
    std::vector<std::string> calls;
    std::vector<int64_t> forwardedAddresses;
    bool interfaceUsesEvents = false;  // what SendProcToNative answers
    EngineCalls engine;

    RecordingEngine()
    {
        engine.sendProcToNative = [this](int window, unsigned message, uint64_t, int64_t lParam) {
            Say("send", window, message);
            forwardedAddresses.push_back(lParam);
            return int64_t{interfaceUsesEvents};
        };
        engine.resizeEngine = [this](int w, int h) { Say("resize", w, h); };
        engine.loadModel = [this](const char* path) { Say("model", path); };
        engine.askEngineAboutImage = [this](const char16_t* path) {
            Say("image", std::string(path, path + std::char_traits<char16_t>::length(path)));
        };
        engine.feedMousePos = [this](int x, int y) { Say("mouse", x, y); };
        engine.feedMouseScroll = [this](int steps) { Say("scroll", steps); };
        engine.feedCameraControl = [this](bool a, bool b, bool c, bool d) {
            Say("camera", a, b, c, d);
        };
        engine.feedLightControl = [this](bool a, bool b, bool c, bool d) {
            Say("light", a, b, c, d);
        };
        engine.focusOnObject = [this] { Say("focus"); };
        engine.present = [this] { Say("present"); };
    }

    template <class... Parts>
    void Say(const Parts&... parts)
    {
        std::ostringstream call;
        ((call << parts << ' '), ...);
        calls.push_back(call.str().substr(0, call.str().size() - 1));
    }

    // Calls other than the forwarding of events.
    std::vector<std::string> Handled() const
    {
        std::vector<std::string> handled;
        std::copy_if(calls.begin(), calls.end(), std::back_inserter(handled),
                     [](const std::string& call) { return call.rfind("send ", 0) != 0; });
        return handled;
    }
};

SDL_Event WindowEvent(Uint8 kind, int windowId, int data1 = 0, int data2 = 0)
{
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = static_cast<Uint32>(windowId);
    event.window.event = kind;
    event.window.data1 = data1;
    event.window.data2 = data2;
    return event;
}

SDL_Event DropEvent(Uint32 type, const char* name = nullptr)
{
    SDL_Event event{};
    event.type = type;
    event.drop.windowID = kWindowId;
    // The host owns dropped names and frees them with SDL_free, as SDL hands them over.
    event.drop.file = name ? SDL_strdup(name) : nullptr;
    return event;
}

SDL_Event WheelEvent(int windowId, int notches, Uint32 direction = SDL_MOUSEWHEEL_NORMAL)
{
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.windowID = static_cast<Uint32>(windowId);
    event.wheel.y = notches;
    event.wheel.direction = direction;
    return event;
}

class HostEventsTest : public ::testing::Test {
   protected:
    RecordingEngine recorder;
    HostEvents events{recorder.engine, kWindowId};
};

// Every event reaches the engine first, at its own address. Quit and closing the main window
// end with zero; only non-zero sizes of the main window reach the engine.
TEST_F(HostEventsTest, EventsGoFirstToTheEngineAndOnlyTheMainWindowEndsOrResizes)
{
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_Event close = WindowEvent(SDL_WINDOWEVENT_CLOSE, kWindowId);
    EXPECT_EQ(events.Handle(quit), 0);
    EXPECT_EQ(events.Handle(close), 0);
    EXPECT_EQ(recorder.forwardedAddresses,
              (std::vector<int64_t>{reinterpret_cast<intptr_t>(&quit),
                                    reinterpret_cast<intptr_t>(&close)}));
    for (SDL_Event event : {WindowEvent(SDL_WINDOWEVENT_CLOSE, kWindowId + 1),
                            WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, kWindowId, 0, 0),
                            WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, kWindowId, 640, 0),
                            WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, kWindowId + 1, 1, 1),
                            WindowEvent(SDL_WINDOWEVENT_MOVED, kWindowId, 30, 40),
                            WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, kWindowId, 1584, 861)})
        EXPECT_FALSE(events.Handle(event));
    EXPECT_EQ(recorder.Handled(), std::vector<std::string>{"resize 1584 861"});
    EXPECT_EQ(recorder.calls.end()[-2], "send 7 " + std::to_string(SDL_WINDOWEVENT));
    EXPECT_EQ(std::pair(events.ClientWidth(), events.ClientHeight()), std::pair(1584, 861));
}

// Each drop hands on its first readable name; a name that is not UTF-8 is still a file's
// name, passed on as its bytes. The command line follows the same rule.
TEST_F(HostEventsTest, ADropHandlesItsFirstReadableNameAndFreesEveryName)
{
    std::vector<SDL_Event> drop = {DropEvent(SDL_DROPBEGIN),
                                   DropEvent(SDL_DROPFILE, "/m/\xFF\xFE.fbx"),
                                   DropEvent(SDL_DROPFILE, "/m/s.tga"),
                                   DropEvent(SDL_DROPCOMPLETE),
                                   DropEvent(SDL_DROPBEGIN),
                                   DropEvent(SDL_DROPFILE, "/m/hero.Tga"),
                                   DropEvent(SDL_DROPTEXT, "text"),
                                   DropEvent(SDL_DROPCOMPLETE)};
    for (SDL_Event& event : drop) {
        EXPECT_FALSE(events.Handle(event));
        EXPECT_EQ(event.drop.file, nullptr);
    }
    EXPECT_TRUE(events.OpenAsDropped("/m/sky.DDS"));
    EXPECT_TRUE(events.OpenAsDropped("/m/\xC0\xAF.fbx"));
    EXPECT_EQ(recorder.Handled(),
              (std::vector<std::string>{"model /m/\xFF\xFE.fbx", "model /m/hero.Tga",
                                        "image /m/sky.DDS", "model /m/\xC0\xAF.fbx"}));
}

// What the engine's interface used is no command: a wheel turn over a panel does not zoom,
// keys typed into a text field do not focus. Other turns zoom by whole notches.
TEST_F(HostEventsTest, WhatTheInterfaceUsesIsNoCommand)
{
    std::vector<SDL_Event> turns = {WheelEvent(kWindowId, 1), WheelEvent(kWindowId, -3),
                                    WheelEvent(kWindowId, 2, SDL_MOUSEWHEEL_FLIPPED),
                                    WheelEvent(kWindowId + 1, 1), WheelEvent(kWindowId, 0)};
    for (SDL_Event& event : turns)
        EXPECT_FALSE(events.Handle(event));
    recorder.interfaceUsesEvents = true;
    SDL_Event overAPanel = WheelEvent(kWindowId, 1);
    EXPECT_FALSE(events.Handle(overAPanel));
    EXPECT_EQ(recorder.Handled(),
              (std::vector<std::string>{"scroll 120", "scroll -360", "scroll -240"}));

    InputSnapshot input{.windowActive = true, .focusKey = true};
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    for (bool typing : {true, false}) {
        recorder.interfaceUsesEvents = typing;
        events.Handle(key);
        input.interfaceHasKeyboard = events.InterfaceHasKeyboard();
        recorder.calls.clear();
        FeedInput(input, recorder.engine);
        EXPECT_EQ(std::count(recorder.calls.begin(), recorder.calls.end(), "focus"),
                  typing ? 0 : 1);
    }
}

// Camera and light keys, then the cursor, only while the window is active; a held F
// focuses on every pass.
TEST(FeedInput, AnActiveWindowFeedsKeysAndFocusAnInactiveOneOnlyTheCursor)
{
    const struct {
        InputSnapshot input;
        std::vector<std::string> calls;
    } cases[] = {
        {{.windowActive = true,
          .leftButton = true,
          .middleButton = true,
          .leftAlt = true,
          .mouseX = 1200,
          .mouseY = -5},
         {"camera 1 1 1 0", "light 1 0 1 0", "mouse 1200 -5"}},
        {{.windowActive = true, .focusKey = true, .mouseX = 1, .mouseY = 2},
         {"camera 0 0 0 0", "light 0 0 0 0", "focus", "mouse 1 2"}},
        {{.leftButton = true, .focusKey = true, .mouseX = 3, .mouseY = 4}, {"mouse 3 4"}},
    };
    for (const auto& c : cases) {
        RecordingEngine recorder;
        for (int pass = 0; pass < 2; ++pass)
            FeedInput(c.input, recorder.engine);
        std::vector<std::string> twice = c.calls;
        twice.insert(twice.end(), c.calls.begin(), c.calls.end());
        EXPECT_EQ(recorder.calls, twice);
    }
}

}  // namespace
}  // namespace host
