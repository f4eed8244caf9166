// How the host turns window events and input state into engine calls.
#include <gtest/gtest.h>

#include <algorithm>
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
            calls.push_back("send " + std::to_string(window) + " " + std::to_string(message));
            forwardedAddresses.push_back(lParam);
            return int64_t{interfaceUsesEvents};
        };
        engine.resizeEngine = [this](int w, int h) {
            calls.push_back("resize " + std::to_string(w) + "x" + std::to_string(h));
        };
        engine.loadModel = [this](const char* path) {
            calls.push_back(std::string("model ") + path);
        };
        engine.askEngineAboutImage = [this](const char16_t* path) {
            std::string narrow;
            for (; *path; ++path)
                narrow.push_back(*path < 0x80 ? static_cast<char>(*path) : '?');
            calls.push_back("image " + narrow);
        };
        engine.feedMousePos = [this](int x, int y) {
            calls.push_back("mouse " + std::to_string(x) + "," + std::to_string(y));
        };
        engine.feedMouseScroll = [this](int steps) {
            calls.push_back("scroll " + std::to_string(steps));
        };
        engine.feedCameraControl = [this](bool a, bool b, bool c, bool d) {
            calls.push_back("camera " + Bits(a, b, c, d));
        };
        engine.feedLightControl = [this](bool a, bool b, bool c, bool d) {
            calls.push_back("light " + Bits(a, b, c, d));
        };
        engine.focusOnObject = [this] { calls.push_back("focus"); };
        engine.present = [this] { calls.push_back("present"); };
    }

    static std::string Bits(bool a, bool b, bool c, bool d)
    {
        return std::string{a ? '1' : '0', b ? '1' : '0', c ? '1' : '0', d ? '1' : '0'};
    }

    // Calls other than the forwarding of events.
    std::vector<std::string> Handled() const
    {
        std::vector<std::string> handled;
        for (const std::string& call : calls) {
            if (call.rfind("send ", 0) != 0)
                handled.push_back(call);
        }
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

TEST(HostEvents, EveryEventIsForwardedFirstWithItsOwnAddress)
{
    RecordingEngine recorder;
    HostEvents events(recorder.engine, kWindowId);
    SDL_Event resize = WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, kWindowId, 800, 600);
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    EXPECT_FALSE(events.Handle(resize));
    EXPECT_FALSE(events.Handle(key));

    const std::vector<std::string> expected = {"send 7 " + std::to_string(SDL_WINDOWEVENT),
                                               "resize 800x600",
                                               "send 7 " + std::to_string(SDL_KEYDOWN)};
    EXPECT_EQ(recorder.calls, expected);
    ASSERT_EQ(recorder.forwardedAddresses.size(), 2u);
    EXPECT_EQ(recorder.forwardedAddresses[0], reinterpret_cast<intptr_t>(&resize));
    EXPECT_EQ(recorder.forwardedAddresses[1], reinterpret_cast<intptr_t>(&key));
}

TEST(HostEvents, QuitAndClosingTheMainWindowEndWithZero)
{
    RecordingEngine recorder;
    HostEvents events(recorder.engine, kWindowId);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    EXPECT_EQ(events.Handle(quit), 0);
    SDL_Event close = WindowEvent(SDL_WINDOWEVENT_CLOSE, kWindowId);
    EXPECT_EQ(events.Handle(close), 0);
    SDL_Event otherClose = WindowEvent(SDL_WINDOWEVENT_CLOSE, kWindowId + 1);
    EXPECT_FALSE(events.Handle(otherClose));
}

TEST(HostEvents, ResizesOnlyForNonZeroSizesOfTheMainWindow)
{
    RecordingEngine recorder;
    HostEvents events(recorder.engine, kWindowId);
    SDL_Event minimised = WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, kWindowId, 0, 0);
    SDL_Event flat = WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, kWindowId, 640, 0);
    SDL_Event otherWindow = WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, kWindowId + 1, 1, 1);
    SDL_Event moved = WindowEvent(SDL_WINDOWEVENT_MOVED, kWindowId, 30, 40);
    SDL_Event restored = WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, kWindowId, 1584, 861);
    for (SDL_Event* event : {&minimised, &flat, &otherWindow, &moved, &restored})
        EXPECT_FALSE(events.Handle(*event));

    EXPECT_EQ(recorder.Handled(), std::vector<std::string>{"resize 1584x861"});
    EXPECT_EQ(events.ClientWidth(), 1584);
    EXPECT_EQ(events.ClientHeight(), 861);
}

TEST(HostEvents, ADropOfThreeFilesHandlesTheFirstReadableOneAndFreesEveryName)
{
    RecordingEngine recorder;
    HostEvents events(recorder.engine, kWindowId);
    std::vector<SDL_Event> drop = {
        DropEvent(SDL_DROPBEGIN),
        DropEvent(SDL_DROPFILE, "/m/\xFF\xFE.fbx"),
        DropEvent(SDL_DROPFILE, "/m/skin.tga"),
        DropEvent(SDL_DROPFILE, "/m/hero.fbx"),
        DropEvent(SDL_DROPCOMPLETE),
        DropEvent(SDL_DROPBEGIN),
        DropEvent(SDL_DROPFILE, "/m/hero.Tga"),
        DropEvent(SDL_DROPTEXT, "some text"),
        DropEvent(SDL_DROPCOMPLETE),
    };
    for (SDL_Event& event : drop) {
        EXPECT_FALSE(events.Handle(event));
        EXPECT_EQ(event.drop.file, nullptr);
    }
    // A name that is not UTF-8 is still a file's name, passed on as its bytes.
    const std::vector<std::string> expected = {"model /m/\xFF\xFE.fbx", "model /m/hero.Tga"};
    EXPECT_EQ(recorder.Handled(), expected);
}

TEST(HostEvents, OpeningFromTheCommandLineFollowsTheDropRule)
{
    RecordingEngine recorder;
    HostEvents events(recorder.engine, kWindowId);
    EXPECT_TRUE(events.OpenAsDropped("/m/hero.fbx"));
    EXPECT_TRUE(events.OpenAsDropped("/m/sky.DDS"));
    EXPECT_TRUE(events.OpenAsDropped("/m/\xC0\xAF.fbx"));
    const std::vector<std::string> expected = {"model /m/hero.fbx", "image /m/sky.DDS",
                                               "model /m/\xC0\xAF.fbx"};
    EXPECT_EQ(recorder.Handled(), expected);
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

TEST(HostEvents, AWheelTurnTheInterfaceDoesNotUseZoomsByWholeNotches)
{
    RecordingEngine recorder;
    HostEvents events(recorder.engine, kWindowId);
    std::vector<SDL_Event> turns = {WheelEvent(kWindowId, 1), WheelEvent(kWindowId, -3),
                                    WheelEvent(kWindowId, 2, SDL_MOUSEWHEEL_FLIPPED),
                                    WheelEvent(kWindowId + 1, 1), WheelEvent(kWindowId, 0)};
    for (SDL_Event& event : turns)
        EXPECT_FALSE(events.Handle(event));
    recorder.interfaceUsesEvents = true;
    SDL_Event overAPanel = WheelEvent(kWindowId, 1);
    EXPECT_FALSE(events.Handle(overAPanel));
    const std::vector<std::string> expected = {"scroll 120", "scroll -360", "scroll -240"};
    EXPECT_EQ(recorder.Handled(), expected);
}

TEST(HostEvents, KeysTypedIntoTheInterfaceAreNoFocusCommand)
{
    RecordingEngine recorder;
    HostEvents events(recorder.engine, kWindowId);
    InputSnapshot input;
    input.windowActive = true;
    input.focusKey = true;
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
    InputSnapshot active{.windowActive = true,
                         .leftButton = true,
                         .middleButton = true,
                         .leftAlt = true,
                         .mouseX = 1200,
                         .mouseY = -5};
    InputSnapshot focusing{.windowActive = true, .focusKey = true, .mouseX = 1, .mouseY = 2};
    InputSnapshot inactive{.leftButton = true, .focusKey = true, .mouseX = 3, .mouseY = 4};
    const struct {
        InputSnapshot input;
        std::vector<std::string> calls;
    } cases[] = {
        {active, {"camera 1110", "light 1010", "mouse 1200,-5"}},
        {focusing, {"camera 0000", "light 0000", "focus", "mouse 1,2"}},
        {inactive, {"mouse 3,4"}},
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
