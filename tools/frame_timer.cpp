// Measures the engine's frame time: starts the engine in a window of the given size (the
// offscreen driver works without a display) and prints the median of N Present calls.
// With --interface it also measures frames with the debug interface hidden, taken in turn
// with the shown ones so that both meet the same conditions, and the interface's own frame
// drawn alone. Wall-clock times suffer on a loaded machine; the process's CPU time (all
// threads, the software renderer's included) much less, so both are printed.
// With --passes it then times each pass of further frames, every pass finished before the
// next, and prints each pass's median wall-clock and processor time.
// With --picture OUT.png it finally writes one frame without the debug interface, so that
// a change meant to save time can be checked to leave every pixel as it was (cmp).
// With --overlay NAME (repeatable: wireframe, bounds, normals, tangents, selection) the
// frames are drawn in turn with and without those inspection overlays (without
// --interface), and both medians and their difference are printed.
// With --bone-weights JOINT the frames show the bone-weight view of that joint, with
// --joints-per-vertex its joint count.
// With --uv-layout the interface shows the UV Layout window of the model's first mesh.
// With --scene-window the Scene window is open (its root expanded), with
// --scene-window-expanded every node of it expanded.
// Usage: vornis-frame-timer [WIDTH HEIGHT [FRAMES [MODEL]]] [--interface] [--passes]
//        [--overlay NAME]... [--uv-layout] [--scene-window | --scene-window-expanded]
//        [--bone-weights JOINT] [--joints-per-vertex] [--picture OUT.png]
#include <SDL.h>
#include <epoxy/gl.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "ToolAccess.h"
#include "vornis_engine.h"

namespace {

double ProcessCpuMilliseconds()
{
    timespec time{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
    return static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_nsec) / 1e6;
}

struct Samples {
    std::vector<double> wall;
    std::vector<double> cpu;

    void Take(const std::function<void()>& work)
    {
        const double cpuStart = ProcessCpuMilliseconds();
        const auto start = std::chrono::steady_clock::now();
        work();
        const auto end = std::chrono::steady_clock::now();
        cpu.push_back(ProcessCpuMilliseconds() - cpuStart);
        wall.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Print(const char* what, const Samples& samples)
{
    std::vector<double> wall = samples.wall;
    std::sort(wall.begin(), wall.end());
    std::printf("%s: median %.3f ms, min %.3f ms, max %.3f ms; CPU time median %.3f ms\n", what,
                Median(wall), wall.front(), wall.back(), Median(samples.cpu));
}

// Each pass's median, with the sum of the medians and the median of the frames' sums.
void PrintPasses(const std::vector<tool::PassTimes>& table)
{
    if (table.empty() || table[0].milliseconds.empty()) {
        std::printf("passes: no timestamps\n");
        return;
    }
    std::vector<double> frames(table[0].milliseconds.size(), 0.0);
    double sumOfMedians = 0.0, cpuSumOfMedians = 0.0;
    std::printf("%-22s %10s %10s\n", "pass", "median ms", "CPU ms");
    for (const tool::PassTimes& pass : table) {
        const double median = Median(pass.milliseconds);
        const double cpuMedian = Median(pass.cpuMilliseconds);
        sumOfMedians += median;
        cpuSumOfMedians += cpuMedian;
        for (size_t i = 0; i < frames.size() && i < pass.milliseconds.size(); ++i)
            frames[i] += pass.milliseconds[i];
        std::printf("%-22s %10.3f %10.3f\n", pass.name.c_str(), median, cpuMedian);
    }
    std::printf("%-22s %10.3f %10.3f (median of the frames' sums %.3f)\n", "sum of the medians",
                sumOfMedians, cpuSumOfMedians, Median(frames));
}

// The window's frame as the viewer shows it, top row first.
bool WriteFrame(const char* path, int width, int height)
{
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    stbi_flip_vertically_on_write(1);
    return stbi_write_png(path, width, height, 4, rgba.data(), width * 4) != 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments;
    bool compareInterface = false, timePasses = false, uvLayout = false;
    bool sceneWindow = false, sceneWindowExpanded = false;
    const char* picture = nullptr;
    std::vector<std::string> overlays;
    std::string weightJoint;
    bool jointsPerVertex = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--picture") == 0 && i + 1 < argc)
            picture = argv[++i];
        else if (std::strcmp(argv[i], "--overlay") == 0 && i + 1 < argc)
            overlays.emplace_back(argv[++i]);
        else if (std::strcmp(argv[i], "--bone-weights") == 0 && i + 1 < argc)
            weightJoint = argv[++i];
        else if (std::strcmp(argv[i], "--joints-per-vertex") == 0)
            jointsPerVertex = true;
        else if (std::strcmp(argv[i], "--interface") == 0)
            compareInterface = true;
        else if (std::strcmp(argv[i], "--scene-window") == 0)
            sceneWindow = true;
        else if (std::strcmp(argv[i], "--scene-window-expanded") == 0)
            sceneWindow = sceneWindowExpanded = true;
        else if (std::strcmp(argv[i], "--passes") == 0)
            timePasses = true;
        else if (std::strcmp(argv[i], "--uv-layout") == 0)
            uvLayout = true;
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
        // A model that did not load would time the empty scene under the model's name.
        const size_t mark = tool::LogMark();
        LoadModel(model);
        while (!IsModelLoaded())
            SDL_Delay(10);
        if (!tool::ModelIsDrawable()) {
            const std::string reason = tool::FirstErrorSince(mark);
            std::fprintf(stderr, "cannot load %s%s%s\n", model, reason.empty() ? "" : ": ",
                         reason.c_str());
            return 1;
        }
    }
    for (const std::string& overlay : overlays) {
        if (!tool::ShowOverlay(overlay)) {
            std::fprintf(stderr, "unknown overlay %s (or no model to select in)\n",
                         overlay.c_str());
            return 1;
        }
    }
    if (uvLayout) {
        if (!tool::OpenUvLayoutWindow()) {
            std::fprintf(stderr, "no mesh for the UV layout\n");
            return 1;
        }
        // Its first frame reads the mesh's edges.
        Samples opening;
        opening.Take(Present);
        Print("first frame of the UV layout", opening);
    }
    if (sceneWindow)
        tool::SetSceneWindowOpen(true, sceneWindowExpanded);
    if ((!weightJoint.empty() || jointsPerVertex) &&
        !tool::SetBoneWeightView(weightJoint, jointsPerVertex)) {
        std::fprintf(stderr, "no joint %s in the model (or no model)\n", weightJoint.c_str());
        return 1;
    }
    for (int i = 0; i < 20; ++i)
        Present();

    const bool compareOverlays = !overlays.empty() && !compareInterface;
    const auto showOverlays = [&overlays](bool on) {
        for (const std::string& overlay : overlays)
            tool::ShowOverlay(overlay, on);
    };
    Samples shown, hidden;
    // Pairs in alternating order, so that neither kind always follows the other. The
    // second kind of frame lacks the interface, or the overlays.
    for (int i = 0; i < frames; ++i) {
        const bool shownFirst = i % 2 == 0;
        for (int turn = 0; turn < (compareInterface || compareOverlays ? 2 : 1); ++turn) {
            const bool other = (compareInterface || compareOverlays) && (turn == 0) != shownFirst;
            if (compareInterface)
                tool::SetInterfaceHidden(other);
            else if (compareOverlays)
                showOverlays(!other);
            (other ? hidden : shown).Take(Present);
        }
    }
    tool::SetInterfaceHidden(false);
    showOverlays(true);
    char title[128];
    std::snprintf(title, sizeof(title), "%d x %d, %d frames", width, height, frames);
    Print(title, shown);
    if (timePasses)
        PrintPasses(tool::TimePasses(frames));
    if (picture) {
        // Drawn without the interface, whose text changes from frame to frame.
        tool::SetInterfaceHidden(true);
        Present();
        if (!WriteFrame(picture, width, height)) {
            std::fprintf(stderr, "cannot write %s\n", picture);
            return 1;
        }
        tool::SetInterfaceHidden(false);
    }
    if (compareOverlays) {
        Print("without the overlays", hidden);
        std::printf("overlays: %.3f ms a frame (difference of the medians), CPU time %.3f ms\n",
                    Median(shown.wall) - Median(hidden.wall),
                    Median(shown.cpu) - Median(hidden.cpu));
    }
    if (!compareInterface)
        return 0;
    Print("without the interface", hidden);
    std::printf("interface: %.3f ms a frame (difference of the medians), CPU time %.3f ms\n",
                Median(shown.wall) - Median(hidden.wall), Median(shown.cpu) - Median(hidden.cpu));
    // The interface's frame on its own over the last scene drawn: building and submitting
    // it on the CPU, then the GPU (or the software renderer) finishing it.
    Samples commands, finish;
    for (int i = 0; i < frames; ++i) {
        glFinish();
        commands.Take(tool::DrawInterfaceAlone);
        finish.Take([] { glFinish(); });
    }
    Print("interface alone, built and submitted", commands);
    Print("interface alone, drawn (glFinish)", finish);
    return 0;
}
