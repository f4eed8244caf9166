// Measures the shader build: the start-up compile of every vertex variant and pixel
// shader (with and without precompiled pixel shaders beside the sources), and how long an
// edit of the pixel-shader file takes to change the picture of a running viewer (with the
// shader cache on, as users have it: the edit recompiles only what it touched).
// Usage: vornis-shader-timing [RUNS]   (run from anywhere; it works beside the program)
#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ToolAccess.h"
#include "vornis_engine.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The start-up path: a fresh shader object, its variants, buffers and the registry.
double TimeStartUpCompile()
{
    const auto start = Clock::now();
    tool::BuildShadersFromScratch();
    return Milliseconds(Clock::now() - start);
}

std::vector<uint8_t> BackBufferPixels()
{
    tool::Pixels pixels;
    tool::ReadBackBuffer(pixels);
    return pixels.rgba;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

struct ReloadTiming {
    double saveToPicture = 0.0;  // from the save to the first frame that shows the edit
    double lastFrame = 0.0;      // the frame that rebuilt the shaders and drew the edit
};

// Saves an edit that brightens the picture and presents frames until it shows.
bool TimeReload(const std::string& file, const std::string& original, const std::string& edited,
                ReloadTiming& timing)
{
    for (int i = 0; i < 3; ++i)
        Present();
    const std::vector<uint8_t> before = BackBufferPixels();
    WriteFile(file, edited);
    const auto saved = Clock::now();
    const auto deadline = saved + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
        const auto frameStart = Clock::now();
        Present();
        if (BackBufferPixels() != before) {
            const auto shown = Clock::now();
            timing.saveToPicture = Milliseconds(shown - saved);
            timing.lastFrame = Milliseconds(shown - frameStart);
            break;
        }
    }
    // Put the file back and let the viewer rebuild from it before the next run.
    WriteFile(file, original);
    const auto settle = Clock::now() + std::chrono::milliseconds(300);
    while (Clock::now() < settle)
        Present();
    return timing.saveToPicture > 0.0;
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    // Relative shader and precompiled paths are beside the program, as in the viewer.
    std::filesystem::current_path(tool::ProgramDirectory());
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return 1;
    SDL_Window* window = SDL_CreateWindow("vornis-shader-timing", 0, 0, 640, 360,
                                          SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    CreateEngineNative();
    if (!window || InitEngine(static_cast<int>(SDL_GetWindowID(window)), 640, 360) != 0) {
        std::fprintf(stderr, "the engine did not start\n");
        return 1;
    }
    RenderSkyBox(true);

    // The shader cache is measured in a directory of its own, empty at first.
    const std::filesystem::path cacheDirectory =
        std::filesystem::temp_directory_path() /
        ("vornis-shader-timing-" + std::to_string(getpid()));
    std::vector<double> fromSource, withPrecompiled, fromCache;
    setenv("VORNIS_SHADER_CACHE", "off", 1);
    for (int i = 0; i < runs; ++i)
        fromSource.push_back(TimeStartUpCompile());
    const std::vector<std::string> precompiled = tool::WritePrecompiledPixelShaders();
    for (int i = 0; i < runs; ++i)
        withPrecompiled.push_back(TimeStartUpCompile());
    for (const std::string& path : precompiled)
        std::filesystem::remove(path);
    setenv("VORNIS_SHADER_CACHE", cacheDirectory.c_str(), 1);
    TimeStartUpCompile();  // fills the cache
    for (int i = 0; i < runs; ++i)
        fromCache.push_back(TimeStartUpCompile());
    std::printf("start-up shader build (14 variants, 16 pixel shaders), median of %d:\n", runs);
    std::printf("  from source, no cache:              %8.1f ms\n", Median(fromSource));
    std::printf("  with %2zu precompiled pixel shaders:  %8.1f ms\n", precompiled.size(),
                Median(withPrecompiled));
    std::printf("  from the shader cache:              %8.1f ms\n", Median(fromCache));

    const std::string file = "shaders/PS_PixelShaders.fx";
    const std::string original = ReadFile(file);
    const std::string marker = "static const float Exposure = 1.0;";
    const size_t at = original.find(marker);
    if (at == std::string::npos) {
        std::fprintf(stderr, "%s has no exposure line to edit\n", file.c_str());
        return 1;
    }
    std::string edited = original;
    edited.replace(at, marker.size(), "static const float Exposure = 2.0;");
    std::vector<double> latency, lastFrame;
    for (int i = 0; i < runs; ++i) {
        ReloadTiming timing;
        if (!TimeReload(file, original, edited, timing)) {
            std::fprintf(stderr, "the edit never reached the picture\n");
            return 1;
        }
        latency.push_back(timing.saveToPicture);
        lastFrame.push_back(timing.lastFrame);
    }
    std::printf("edit of %s to a changed picture, median of %d:\n", file.c_str(), runs);
    std::printf("  save to picture:                    %8.1f ms\n", Median(latency));
    std::printf("  of which the frame that rebuilt:    %8.1f ms\n", Median(lastFrame));
    std::printf("  so the change was seen after:       %8.1f ms\n",
                Median(latency) - Median(lastFrame));
    std::filesystem::remove_all(cacheDirectory);
    return 0;
}
