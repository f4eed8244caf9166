// Resident memory of the engine while a model with one large albedo texture and the demo
// model are loaded in turn, as a user switching between two files does. Prints the
// resident set after every load: a flat line is right, a rising one leaks textures.
// Uses only the exported interface, so the same source measures any version.
// Usage: vornis-texture-memory [LOADS [TEXTURE_SIDE [DIRECTORY]]]
// The textured model (Quad.fbx beside Quad_D.dds, RGBA8, one mip) is written to DIRECTORY
// when it is not there yet (default: a temporary folder, removed afterwards).
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "DdsWriter.h"
#include "FbxSceneWriter.h"
#include "MeshBuilder.h"
#include "vornis_engine.h"

namespace {

namespace fs = std::filesystem;

// Current and peak resident set in MiB, from /proc/self/status.
double StatusMiB(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::strtod(line.c_str() + std::char_traits<char>::length(field), nullptr) /
                   1024.0;
    }
    return 0.0;
}

std::string WriteTexturedModel(const fs::path& directory, int side)
{
    fs::create_directories(directory);
    const fs::path texture = directory / "Quad_D.dds";
    if (!fs::exists(texture)) {
        const std::string error = assets::WriteDdsRgba8(
            texture.string(), {assets::SolidImage(side, side, 200, 120, 60, 255)});
        if (!error.empty())
            return error;
    }
    const fs::path model = directory / "Quad.fbx";
    if (fs::exists(model))
        return {};
    assets::SceneNodeMesh quad;
    quad.nodeName = "Quad";
    assets::AddPatch(quad.geometry, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 1, 1);
    return assets::WriteFbxScene(model.string(), {quad});
}

// Loads the model and lets the frames run until the load has ended and the next frames
// have released what the previous model held.
void LoadAndSettle(const std::string& path)
{
    LoadModel(path.c_str());
    while (!IsModelLoaded()) {
        Present();
        SDL_Delay(1);
    }
    for (int i = 0; i < 3; ++i)
        Present();
}

}  // namespace

int main(int argc, char** argv)
{
    const int loads = argc > 1 ? std::max(2, std::atoi(argv[1])) : 50;
    const int side = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 16384) : 4096;
    const bool temporary = argc <= 3;
    const fs::path directory = temporary ? fs::temp_directory_path() /
                                               ("vornis-texture-memory-" + std::to_string(getpid()))
                                         : fs::path(argv[3]);
    if (const std::string error = WriteTexturedModel(directory, side); !error.empty()) {
        std::fprintf(stderr, "cannot write the textured model: %s\n", error.c_str());
        return 1;
    }
    const std::string textured = fs::absolute(directory / "Quad.fbx").string();
    char program[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", program, sizeof(program) - 1);
    const std::string demo =
        (fs::path(std::string(program, length > 0 ? length : 0)).parent_path() / "demo" /
         "spheres.fbx")
            .string();

    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Window* window = SDL_CreateWindow("Vornis texture memory", SDL_WINDOWPOS_UNDEFINED,
                                          SDL_WINDOWPOS_UNDEFINED, 320, 240, SDL_WINDOW_OPENGL);
    if (!window) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return 1;
    }
    CreateEngineNative();
    if (const int result = InitEngine(static_cast<int>(SDL_GetWindowID(window)), 320, 240)) {
        std::fprintf(stderr, "InitEngine failed with %d\n", result);
        return 1;
    }
    LoadAndSettle(demo);
    const double start = StatusMiB("VmRSS:");
    std::printf("%d x %d RGBA8 albedo; resident before the first load: %.0f MiB\n", side, side,
                start);
    std::printf("load  model     resident MiB\n");
    std::vector<double> afterDemo;
    for (int i = 1; i <= loads; ++i) {
        const bool isTextured = i % 2 == 1;
        LoadAndSettle(isTextured ? textured : demo);
        const double resident = StatusMiB("VmRSS:");
        if (!isTextured)
            afterDemo.push_back(resident);
        std::printf("%4d  %-8s  %12.0f\n", i, isTextured ? "textured" : "demo", resident);
    }
    std::printf("resident after the demo: first %.0f MiB, last %.0f MiB; peak %.0f MiB\n",
                afterDemo.front(), afterDemo.back(), StatusMiB("VmHWM:"));
    if (temporary)
        fs::remove_all(directory);
    return 0;
}
