// Writes the viewer's generated run-time data: fixed models, sky cube maps and the demo
// model. Usage: vornis-make-assets RUNTIME_DIR [--preview PNG_DIR]
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "assets/DemoSpheres.h"
#include "assets/FixedAssets.h"
#include "assets/SkyTextures.h"

int main(int argc, char** argv)
{
    std::string runtimeDir, previewDir;
    bool usable = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--preview") == 0 && i + 1 < argc)
            previewDir = argv[++i];
        else if (runtimeDir.empty())
            runtimeDir = argv[i];
        else
            usable = false;
    }
    if (!usable || runtimeDir.empty()) {
        std::fprintf(stderr, "usage: %s RUNTIME_DIR [--preview PNG_DIR]\n", argv[0]);
        return 2;
    }

    const auto start = std::chrono::steady_clock::now();
    std::string error = assets::WriteFixedAssets(runtimeDir);
    if (error.empty())
        error = assets::WriteSkyTextures(runtimeDir, previewDir);
    if (error.empty())
        error = assets::WriteDemoSpheres(runtimeDir);
    if (!error.empty()) {
        std::fprintf(stderr, "vornis-make-assets: %s\n", error.c_str());
        return 1;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("vornis-make-assets: wrote the run-time assets to %s in %.2f s\n",
                runtimeDir.c_str(), took.count());
    return 0;
}
