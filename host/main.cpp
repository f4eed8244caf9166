// vornis: opens the viewer window, shows the start screen while the engine starts, then
// runs the loop that feeds the engine events, input and frames.
#include <SDL.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "CommandLine.h"
#include "EngineBinding.h"
#include "HostEvents.h"
#include "StartScreen.h"
#include "TestHooks.h"
#include "vornis_engine.h"

namespace {

constexpr int kWindowWidth = 1600;
constexpr int kWindowHeight = 900;

std::string StartScreenPath()
{
    std::string path;
    if (char* base = SDL_GetBasePath()) {
        path = base;
        SDL_free(base);
    }
    return path + "startscreen.bmp";
}

void SetDropEvents(int state)
{
    SDL_EventState(SDL_DROPBEGIN, state);
    SDL_EventState(SDL_DROPFILE, state);
    SDL_EventState(SDL_DROPTEXT, state);
    SDL_EventState(SDL_DROPCOMPLETE, state);
}

// A relative name given on the command line means the directory vornis was started in,
// which the engine does not know.
std::string AbsoluteModelPath(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

int RunLoop(SDL_Window* window, host::HostEvents& events, host::EngineCalls& engine,
            std::optional<uint64_t> frameLimit)
{
    uint64_t frames = 0;
    for (;;) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (std::optional<int> exitCode = events.Handle(event))
                return *exitCode;
        }
        host::InputSnapshot input = host::ReadInput(window);
        input.interfaceHasKeyboard = events.InterfaceHasKeyboard();
        host::FeedInput(input, engine);
        engine.present();
        if (frameLimit && ++frames >= *frameLimit)
            return 0;
        std::this_thread::sleep_for(std::chrono::microseconds(1));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const host::CommandLine commandLine = host::ParseCommandLine(arguments);
    switch (commandLine.action) {
        case host::CommandAction::ShowHelp:
            std::fputs(host::UsageText("vornis").c_str(), stdout);
            return 0;
        case host::CommandAction::ShowVersion:
            std::fputs(host::VersionText().c_str(), stdout);
            return 0;
        case host::CommandAction::UsageError:
            std::fprintf(stderr, "vornis: %s\n%s", commandLine.error.c_str(),
                         host::UsageText("vornis").c_str());
            return 2;
        case host::CommandAction::Run:
            break;
    }

    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "vornis: cannot start the video system: %s\n", SDL_GetError());
        return 1;
    }
    // Drops are accepted only once the engine can take them.
    SetDropEvents(SDL_DISABLE);
    SDL_Window* window = SDL_CreateWindow(
        "Vornis 2.5", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, kWindowWidth, kWindowHeight,
        SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_SHOWN);
    if (!window) {
        std::fprintf(stderr, "vornis: cannot create the window: %s\n", SDL_GetError());
        return 1;
    }
    SDL_PumpEvents();
    host::ShowStartScreen(window, StartScreenPath(), host::StartScreenCaptureFromEnvironment());

    host::EngineCalls engine = host::LinkedEngine();
    const int windowId = static_cast<int>(SDL_GetWindowID(window));
    CreateEngineNative();
    // A failed start is the engine's to report in its own log; the loop runs regardless.
    InitEngine(windowId, kWindowWidth, kWindowHeight);
    ResizeEngine(kWindowWidth, kWindowHeight);
    SetDropEvents(SDL_ENABLE);

    host::HostEvents events(engine, windowId);
    if (commandLine.modelPath) {
        const std::string path = AbsoluteModelPath(*commandLine.modelPath);
        if (!events.OpenAsDropped(path.c_str()))
            std::fprintf(stderr, "vornis: cannot open %s: the name is not valid UTF-8\n",
                         commandLine.modelPath->c_str());
    }
    return RunLoop(window, events, engine, host::FrameLimitFromEnvironment());
}
