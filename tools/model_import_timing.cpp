// Times the engine's model import against a bare import-library call with the same
// post-processing, to show what building the engine's meshes and tree adds, and the FBX
// structure pre-scan on its own (part of the engine's import), to show what it costs.
//
// Usage: vornis-model-import-timing [--runs N] [--make-dense PATH TRIANGLES] [FILE...]
// Without files it times the library's spider.fbx and a dense grid of about one million
// triangles, written once as ASCII FBX to /tmp/vornis-dense-1m.fbx.
// The engine imports on a thread of its own, where glibc gives the allocations an arena of
// their own; MALLOC_ARENA_MAX=1 puts both imports on one arena, so that "cost" shows the
// protection alone.
#include <assimp/cimport.h>
#include <assimp/scene.h>
#include <assimp/Exporter.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ToolAccess.h"

namespace {

constexpr const char* kSpider = "/usr/share/assimp/models/FBX/spider.fbx";
constexpr const char* kDenseDefault = "/tmp/vornis-dense-1m.fbx";
constexpr unsigned kDenseTriangles = 1000000;

// A flat, gently waved grid of about `triangles` triangles with normals and UVs.
bool WriteDenseGrid(const std::string& path, unsigned triangles)
{
    const unsigned quads = std::max(1u, unsigned(std::sqrt(triangles / 2.0)));
    const unsigned side = quads + 1;
    aiScene scene;
    scene.mRootNode = new aiNode("RootNode");
    aiNode* gridNode = new aiNode("Grid");
    gridNode->mNumMeshes = 1;
    gridNode->mMeshes = new unsigned[1]{0};
    aiNode* children[] = {gridNode};
    scene.mRootNode->addChildren(1, children);
    scene.mNumMaterials = 1;
    scene.mMaterials = new aiMaterial* [1] { new aiMaterial };
    scene.mNumMeshes = 1;
    scene.mMeshes = new aiMesh* [1] { new aiMesh };
    aiMesh& mesh = *scene.mMeshes[0];
    mesh.mName = aiString("Grid");
    mesh.mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh.mNumVertices = side * side;
    mesh.mVertices = new aiVector3D[mesh.mNumVertices];
    mesh.mNormals = new aiVector3D[mesh.mNumVertices];
    mesh.mTextureCoords[0] = new aiVector3D[mesh.mNumVertices];
    mesh.mNumUVComponents[0] = 2;
    for (unsigned z = 0; z < side; ++z) {
        for (unsigned x = 0; x < side; ++x) {
            const unsigned v = z * side + x;
            const float u = float(x) / float(quads), w = float(z) / float(quads);
            mesh.mVertices[v] =
                aiVector3D(u * 100.0f, std::sin(u * 20.0f) * std::cos(w * 20.0f), w * 100.0f);
            mesh.mNormals[v] = aiVector3D(0.0f, 1.0f, 0.0f);
            mesh.mTextureCoords[0][v] = aiVector3D(u, w, 0.0f);
        }
    }
    mesh.mNumFaces = quads * quads * 2;
    mesh.mFaces = new aiFace[mesh.mNumFaces];
    unsigned f = 0;
    auto addTriangle = [&mesh, &f](unsigned i0, unsigned i1, unsigned i2) {
        mesh.mFaces[f].mNumIndices = 3;
        mesh.mFaces[f++].mIndices = new unsigned[3]{i0, i1, i2};
    };
    for (unsigned z = 0; z < quads; ++z) {
        for (unsigned x = 0; x < quads; ++x) {
            const unsigned a = z * side + x, b = a + 1, c = a + side, d = c + 1;
            addTriangle(a, c, b);
            addTriangle(b, c, d);
        }
    }
    Assimp::Exporter exporter;
    // Binary FBX written by this library version does not read back; ASCII does.
    if (exporter.Export(&scene, "fbxa", path) != AI_SUCCESS) {
        std::fprintf(stderr, "export failed: %s\n", exporter.GetErrorString());
        return false;
    }
    std::printf("wrote %s: %u triangles, %u vertices\n", path.c_str(), mesh.mNumFaces,
                mesh.mNumVertices);
    return true;
}

// Wall-clock and this process's processor time of one call, in milliseconds. Processor
// time is what to compare on a busy machine: other processes do not stretch it. The whole
// process, since the engine imports on a thread of its own.
struct Timing {
    double wall = 0.0;
    double cpu = 0.0;
};

double ThreadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

template <typename Call>
Timing Measure(Call call)
{
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = ThreadCpuMilliseconds();
    call();
    Timing timing;
    timing.cpu = ThreadCpuMilliseconds() - cpuStart;
    timing.wall =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart)
            .count();
    return timing;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Times both imports, alternating which goes first; only the import calls are timed, not
// the releases.
bool TimeFile(const std::string& path, int runs)
{
    std::vector<double> bareWall, bareCpu, engineWall, engineCpu, guardedCpu, scanCpu;
    const std::string file = tool::ReadModelFile(path);
    unsigned triangles = 0;
    bool ok = true;
    auto timeBare = [&] {
        const aiScene* scene = nullptr;
        const Timing t =
            Measure([&] { scene = aiImportFile(path.c_str(), tool::ModelImportFlags()); });
        if (!scene) {
            std::fprintf(stderr, "%s: %s\n", path.c_str(), aiGetErrorString());
            ok = false;
            return;
        }
        bareWall.push_back(t.wall);
        bareCpu.push_back(t.cpu);
        triangles = 0;
        for (unsigned m = 0; m < scene->mNumMeshes; ++m)
            triangles += scene->mMeshes[m]->mNumFaces;
        aiReleaseImport(scene);
    };
    auto timeEngine = [&] {
        std::unique_ptr<tool::ImportedModel> model;
        const Timing t = Measure([&] { model = std::make_unique<tool::ImportedModel>(path); });
        if (!model->Imported()) {
            ok = false;
            return;
        }
        engineWall.push_back(t.wall);
        engineCpu.push_back(t.cpu);
    };
    // The library's import as the engine makes it: read as a regular file, pre-scanned,
    // imported on a large-stack thread. Against bare: what the protection costs.
    auto timeGuarded = [&] {
        std::unique_ptr<tool::LibraryImportRun> imported;
        const Timing t =
            Measure([&] { imported = std::make_unique<tool::LibraryImportRun>(path); });
        if (imported->Succeeded())
            guardedCpu.push_back(t.cpu);
    };
    auto timeScan = [&] {
        bool safe = false;
        const Timing t = Measure([&] { safe = tool::FbxStructureIsSafe(file); });
        if (safe)
            scanCpu.push_back(t.cpu);
    };
    for (int run = 0; run < runs && ok; ++run) {
        if (run % 2 == 0) {
            timeBare();
            timeEngine();
        } else {
            timeEngine();
            timeBare();
        }
        timeGuarded();
        timeScan();
    }
    if (!ok || scanCpu.empty() || guardedCpu.empty())
        return false;
    const double bw = Median(bareWall), bc = Median(bareCpu);
    const double ew = Median(engineWall), ec = Median(engineCpu);
    const double sc = Median(scanCpu), gc = Median(guardedCpu);
    std::printf("%-24s %9u %10.1f %10.1f %6.3f %10.1f %10.1f %6.3f %8.1f %6.2f%% %10.1f %6.2f%%\n",
                std::filesystem::path(path).filename().c_str(), triangles, bw, ew, ew / bw, bc, ec,
                ec / bc, sc, 100.0 * sc / ec, gc, 100.0 * (gc - bc) / ec);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    std::vector<std::string> files;
    bool madeDense = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--runs") && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (!std::strcmp(argv[i], "--make-dense") && i + 2 < argc) {
            const std::string path = argv[++i];
            if (!WriteDenseGrid(path, unsigned(std::atol(argv[++i]))))
                return 1;
            madeDense = true;
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.empty() && !madeDense) {
        files = {kSpider, kDenseDefault};
        if (!std::filesystem::exists(kDenseDefault) &&
            !WriteDenseGrid(kDenseDefault, kDenseTriangles))
            return 1;
    }
    std::printf(
        "median of %d runs, milliseconds; bare = aiImportFile, engine = ImportModel,\n"
        "scan = the FBX structure pre-scan alone (cpu), share = scan / cpu eng.,\n"
        "guarded = the library import as the engine makes it (regular-file read, pre-scan,\n"
        "large-stack thread; cpu), cost = (cpu guarded - cpu bare) / cpu eng.\n",
        runs);
    std::printf("%-24s %9s %10s %10s %6s %10s %10s %6s %8s %7s %10s %7s\n", "file", "triangles",
                "wall bare", "wall eng.", "ratio", "cpu bare", "cpu eng.", "ratio", "scan", "share",
                "guarded", "cost");
    bool ok = true;
    for (const std::string& file : files)
        ok = TimeFile(file, runs) && ok;
    return ok ? 0 : 1;
}
