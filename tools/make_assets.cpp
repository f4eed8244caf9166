// Writes the viewer's generated run-time data: fixed models, sky cube maps and the demo
// model. Usage: vornis-make-assets RUNTIME_DIR [--preview PNG_DIR]
// With --torus TRIANGLES OUT.fbx [--binary] it writes only a torus of about that many
// triangles, the large model of the import benchmarks, as ASCII or binary FBX. With
// --panorama daylight|studio WIDTH OUT.hdr it writes only an HDR panorama of one of the
// generated skies' light, to try the viewer's panorama skies with.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "assets/DemoSpheres.h"
#include "assets/FbxBinaryWriter.h"
#include "assets/FbxSceneWriter.h"
#include "assets/FixedAssets.h"
#include "assets/MeshBuilder.h"
#include "assets/PanoramaWriter.h"
#include "assets/SkyEnvironments.h"
#include "assets/SkyTextures.h"

namespace {

constexpr const char* kUsage =
    "usage: %s RUNTIME_DIR [--preview PNG_DIR]\n"
    "       %s --torus TRIANGLES OUT.fbx [--binary]\n"
    "       %s --panorama daylight|studio WIDTH OUT.hdr\n";

int WriteTorus(const char* trianglesText, const char* path, bool binary)
{
    char* end = nullptr;
    const long triangles = std::strtol(trianglesText, &end, 10);
    if (*end != '\0' || triangles < 8 || triangles > 100000000) {
        std::fprintf(stderr, "vornis-make-assets: --torus needs 8 to 100000000 triangles\n");
        return 2;
    }
    // Twice as many steps around the axis as around the tube keeps the quads near square.
    const int sides = static_cast<int>(std::lround(std::sqrt(triangles / 4.0)));
    assets::SceneNodeMesh node;
    node.nodeName = "Torus";
    node.diffuseColor = {0.8f, 0.55f, 0.3f};
    assets::AddTorus(node.geometry, 1.0f, 0.35f, 2 * sides, sides);
    const std::string error =
        binary ? assets::WriteBinaryFbxScene(path, {node}) : assets::WriteFbxScene(path, {node});
    if (!error.empty()) {
        std::fprintf(stderr, "vornis-make-assets: %s\n", error.c_str());
        return 1;
    }
    std::printf("vornis-make-assets: wrote a torus of %zu triangles to %s (%s)\n",
                node.geometry.indices.size() / 3, path, binary ? "binary" : "ASCII");
    return 0;
}

int WritePanorama(const char* kind, const char* widthText, const char* path)
{
    const bool daylight = std::strcmp(kind, "daylight") == 0;
    if (!daylight && std::strcmp(kind, "studio") != 0) {
        std::fprintf(stderr, "vornis-make-assets: --panorama takes daylight or studio\n");
        return 2;
    }
    char* end = nullptr;
    const long width = std::strtol(widthText, &end, 10);
    if (*end != '\0' || width < 2 || width > 16384) {
        std::fprintf(stderr, "vornis-make-assets: --panorama needs a width of 2 to 16384\n");
        return 2;
    }
    const std::string error =
        assets::WritePanoramaHdr(path, static_cast<int>(width),
                                 daylight ? assets::DaylightSkyRadiance : assets::StudioRadiance);
    if (!error.empty()) {
        std::fprintf(stderr, "vornis-make-assets: %s\n", error.c_str());
        return 1;
    }
    std::printf("vornis-make-assets: wrote a %ld x %ld %s panorama to %s\n", width, width / 2, kind,
                path);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if ((argc == 4 || (argc == 5 && std::strcmp(argv[4], "--binary") == 0)) &&
        std::strcmp(argv[1], "--torus") == 0)
        return WriteTorus(argv[2], argv[3], argc == 5);
    if (argc == 5 && std::strcmp(argv[1], "--panorama") == 0)
        return WritePanorama(argv[2], argv[3], argv[4]);
    std::string runtimeDir, previewDir;
    bool usable = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--preview") == 0 && i + 1 < argc)
            previewDir = argv[++i];
        else if (runtimeDir.empty() && argv[i][0] != '-')
            runtimeDir = argv[i];
        else
            usable = false;
    }
    if (!usable || runtimeDir.empty()) {
        std::fprintf(stderr, kUsage, argv[0], argv[0], argv[0]);
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
