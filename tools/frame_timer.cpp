// Measures the engine's frame time: starts the engine in a window of the given size (the
// offscreen driver works without a display) and prints the median of N Present calls.
// With --interface it measures frames with the debug interface shown and hidden, taken in
// turn so that both meet the same conditions, and prints both medians and their difference.
// Usage: vornis-frame-timer [WIDTH HEIGHT [FRAMES [MODEL]]] [--interface]
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "api/Engine.h"
#include "api/public/vornis_engine.h"
#include "ui/InterfaceState.h"

namespace {

double TimedPresent()
{
    const auto start = std::chrono::steady_clock::now();
    Present();
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(end - start).count();
}

struct Summary {
    double median = 0.0;
    double min = 0.0;
    double max = 0.0;
};

Summary Summarise(std::vector<double> milliseconds)
{
    std::sort(milliseconds.begin(), milliseconds.end());
    return {milliseconds[milliseconds.size() / 2], milliseconds.front(), milliseconds.back()};
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments;
    bool compareInterface = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--interface") == 0)
            compareInterface = true;
        else
            arguments.emplace_back(argv[i]);
    }
    const int width = arguments.size() > 1 ? std::atoi(arguments[0].c_str()) : 1600;
    const int height = arguments.size() > 1 ? std::atoi(arguments[1].c_str()) : 900;
    const int frames = arguments.size() > 2 ? std::max(1, std::atoi(arguments[2].c_str())) : 200;
    const char* model = arguments.size() > 3 ? arguments[3].c_str() : nullptr;
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Window* window =
        SDL_CreateWindow("Vornis frame timer", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                         width, height, SDL_WINDOW_OPENGL);
    if (!window) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return 1;
    }
    CreateEngineNative();
    const int result = InitEngine(static_cast<int>(SDL_GetWindowID(window)), width, height);
    if (result != 0) {
        std::fprintf(stderr, "InitEngine failed with %d\n", result);
        return 1;
    }
    ResizeEngine(width, height);
    if (model) {
        LoadModel(model);
        while (!IsModelLoaded())
            SDL_Delay(10);
    }
    for (int i = 0; i < 20; ++i)
        Present();

    InterfaceState& interface = *GetEngine()->debugInterface;
    std::vector<double> shown, hidden;
    for (int i = 0; i < frames; ++i) {
        interface.hidden = false;
        shown.push_back(TimedPresent());
        if (compareInterface) {
            interface.hidden = true;
            hidden.push_back(TimedPresent());
        }
    }
    interface.hidden = false;
    const Summary with = Summarise(shown);
    std::printf("%d x %d, %d frames: median %.3f ms, min %.3f ms, max %.3f ms\n", width, height,
                frames, with.median, with.min, with.max);
    if (compareInterface) {
        const Summary without = Summarise(hidden);
        std::printf("without the interface: median %.3f ms, min %.3f ms, max %.3f ms\n",
                    without.median, without.min, without.max);
        std::printf("interface: %.3f ms a frame (difference of the medians)\n",
                    with.median - without.median);
    }
    return 0;
}
