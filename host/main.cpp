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
#include "platform/Paths.h"
#include "platform/ProcessEnd.h"
#include "platform/UserShaders.h"
#include "vornis_engine.h"

namespace {

constexpr int kWindowWidth = 1600;
constexpr int kWindowHeight = 900;

// Prints what --copy-shaders did; 0 on success.
int CopyShaders()
{
    const UserShaderCopy copy = CopyShadersToUserFolder(platform::ProgramDataLayout());
    if (!copy.error.empty()) {
        std::fprintf(stderr, "vornis: %s\n", copy.error.c_str());
        return 1;
    }
    if (copy.copied.empty() && copy.kept.empty()) {
        std::printf("This viewer runs from its build folder; edit its shaders in place:\n");
    } else {
        std::printf("Copied %zu shader files, kept %zu already there. Edit them in:\n",
                    copy.copied.size(), copy.kept.size());
    }
    std::printf("%s\n", copy.folder.c_str());
    return 0;
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

// With a model opened at start, frames drawn while it loads do not count towards the
// frame limit (an engine that failed to start never loads it: the limit is then not reached).
int RunLoop(SDL_Window* window, host::HostEvents& events, host::EngineCalls& engine,
            bool modelOpened, std::optional<uint64_t> frameLimit,
            std::optional<host::ScreenshotSize> screenshotAtExit)
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
        if (frameLimit && (!modelOpened || engine.isModelLoaded()) && ++frames >= *frameLimit) {
            if (screenshotAtExit)
                engine.takeScreenshot(screenshotAtExit->width, screenshotAtExit->height);
            return 0;
        }
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
        case host::CommandAction::CopyShaders:
            return CopyShaders();
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
    host::ShowStartScreen(window, platform::ResolveDataPath("startscreen.bmp").string(),
                          host::StartScreenCaptureFromEnvironment());

    host::EngineCalls engine = host::LinkedEngine();
    const int windowId = static_cast<int>(SDL_GetWindowID(window));
    CreateEngineNative();
    // A failed start is the engine's to report in its own log; the loop runs regardless.
    InitEngine(windowId, kWindowWidth, kWindowHeight);
    ResizeEngine(kWindowWidth, kWindowHeight);
    SetDropEvents(SDL_ENABLE);

    host::HostEvents events(engine, windowId);
    std::optional<std::string> model = commandLine.modelPath;
    if (commandLine.openDemo)
        model = platform::ResolveDataPath(platform::kDemoModel).string();
    if (model)
        events.OpenAsDropped(AbsoluteModelPath(*model).c_str());
    const int exitCode =
        RunLoop(window, events, engine, model.has_value(), host::FrameLimitFromEnvironment(),
                host::ScreenshotAtExitFromEnvironment());
    // A model may still be loading: leave without the static destructors.
    platform::EndProcess(exitCode);
}
