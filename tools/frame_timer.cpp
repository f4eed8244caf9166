// Measures the engine's frame time: starts the engine in a window of the given size (the
// offscreen driver works without a display) and prints the median of N Present calls.
// Usage: vornis-frame-timer [WIDTH HEIGHT [FRAMES [MODEL]]]
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "vornis_engine.h"

int main(int argc, char** argv)
{
    const int width = argc > 2 ? std::atoi(argv[1]) : 1600;
    const int height = argc > 2 ? std::atoi(argv[2]) : 900;
    const int frames = argc > 3 ? std::max(1, std::atoi(argv[3])) : 200;
    const char* model = argc > 4 ? argv[4] : nullptr;
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

    std::vector<double> milliseconds;
    milliseconds.reserve(frames);
    for (int i = 0; i < frames; ++i) {
        const auto start = std::chrono::steady_clock::now();
        Present();
        const auto end = std::chrono::steady_clock::now();
        milliseconds.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    std::printf("%d x %d, %d frames: median %.3f ms, min %.3f ms, max %.3f ms\n", width, height,
                frames, milliseconds[milliseconds.size() / 2], milliseconds.front(),
                milliseconds.back());
    return 0;
}
