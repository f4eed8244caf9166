// Writes the viewer's generated run-time data: fixed models, sky cube maps and the demo
// model. Usage: vornis-make-assets RUNTIME_DIR [--preview PNG_DIR]
// With --torus TRIANGLES OUT.fbx [--binary] it writes only a torus of about that many
// triangles, the large model of the import benchmarks, as ASCII or binary FBX. With
// --panorama daylight|studio WIDTH OUT.hdr it writes only an HDR panorama of one of the
// generated skies' light, to try the viewer's panorama skies with. With --node-grid COUNT
// OUT.fbx it writes only a model of COUNT nodes in rows of 100, each with a small cube: the
// large tree of the Scene window's benchmark.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "assets/DemoSpheres.h"
#include "assets/FbxBinaryWriter.h"
#include "assets/FbxSceneWriter.h"
#include "assets/FbxTreeWriter.h"
#include "assets/FixedAssets.h"
#include "assets/MeshBuilder.h"
#include "assets/PanoramaWriter.h"
#include "assets/SkyEnvironments.h"
#include "assets/SkyTextures.h"

namespace {

constexpr const char* kUsage =
    "usage: %s RUNTIME_DIR [--preview PNG_DIR]\n"
    "       %s --torus TRIANGLES OUT.fbx [--binary]\n"
    "       %s --panorama daylight|studio WIDTH OUT.hdr\n"
    "       %s --node-grid COUNT OUT.fbx\n";

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

constexpr int kCellsPerRow = 100;

int WriteNodeGrid(const char* countText, const char* path)
{
    char* end = nullptr;
    const long count = std::strtol(countText, &end, 10);
    if (*end != '\0' || count < 1 || count > 1000000) {
        std::fprintf(stderr, "vornis-make-assets: --node-grid needs 1 to 1000000 nodes\n");
        return 2;
    }
    // One cube shared by every cell: the file stays small while the tree is large.
    assets::FbxTree tree;
    tree.meshes.resize(1);
    for (int axis = 0; axis < 3; ++axis)
        for (float side : {-0.5f, 0.5f}) {
            assets::Vec3 n{}, u{}, v{};
            (axis == 0 ? n.x : axis == 1 ? n.y : n.z) = side;
            (axis == 0 ? u.y : axis == 1 ? u.z : u.x) = 0.5f;
            (axis == 0 ? v.z : axis == 1 ? v.x : v.y) = side;
            assets::AddPatch(tree.meshes[0], n, u, v, 1, 1);
        }
    tree.materials.push_back({"GridCell", {0.75f, 0.6f, 0.35f}});
    tree.nodes.reserve(static_cast<size_t>(count + count / kCellsPerRow + 1));
    int row = -1;
    for (long cell = 0; cell < count; ++cell) {
        const int column = static_cast<int>(cell % kCellsPerRow);
        if (column == 0) {
            ++row;
            tree.nodes.push_back({"Row_" + std::to_string(row), -1, {}, -1});
            tree.nodes.back().transform.translation = {0, 0, 2.0f * static_cast<float>(row)};
        }
        const int parent = static_cast<int>(tree.nodes.size()) - 1 - column;
        assets::FbxTreeNode node{
            "Cell_" + std::to_string(row) + "_" + std::to_string(column), parent, {}, -1};
        node.transform.translation = {2.0f * static_cast<float>(column), 0, 0};
        node.mesh = 0;
        node.material = 0;
        tree.nodes.push_back(node);
    }
    const std::string error = assets::WriteFbxTree(path, tree, assets::FbxEncoding::Binary);
    if (!error.empty()) {
        std::fprintf(stderr, "vornis-make-assets: %s\n", error.c_str());
        return 1;
    }
    std::printf("vornis-make-assets: wrote %ld nodes with a cube each in %d rows to %s\n", count,
                row + 1, path);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if ((argc == 4 || (argc == 5 && std::strcmp(argv[4], "--binary") == 0)) &&
        std::strcmp(argv[1], "--torus") == 0)
        return WriteTorus(argv[2], argv[3], argc == 5);
    if (argc == 4 && std::strcmp(argv[1], "--node-grid") == 0)
        return WriteNodeGrid(argv[2], argv[3]);
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
        std::fprintf(stderr, kUsage, argv[0], argv[0], argv[0], argv[0]);
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
