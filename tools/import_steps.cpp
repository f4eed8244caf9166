// Times each post-processing step of the engine's import flag word on its own: the file is
// read without post-processing, then the steps are applied one at a time in the order the
// import library runs them. Processor time is printed beside wall-clock time: a busy machine
// stretches the latter. Median of RUNS imports per step.
// Usage: vornis-import-steps FILE [RUNS]
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <assimp/Importer.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "ToolAccess.h"

namespace {

struct Step {
    const char* name;
    unsigned flag;
};

// The library's own order of these steps (as its time measurement logs them). Large-mesh
// splitting runs in two places there; applied alone, both halves run at once.
constexpr Step kSteps[] = {
    {"ValidateDataStructure", aiProcess_ValidateDataStructure},
    {"MakeLeftHanded", aiProcess_MakeLeftHanded},
    {"FlipUVs", aiProcess_FlipUVs},
    {"FlipWindingOrder", aiProcess_FlipWindingOrder},
    {"RemoveRedundantMaterials", aiProcess_RemoveRedundantMaterials},
    {"FindInstances", aiProcess_FindInstances},
    {"GenUVCoords", aiProcess_GenUVCoords},
    {"Triangulate", aiProcess_Triangulate},
    {"FindDegenerates", aiProcess_FindDegenerates},
    {"SortByPType", aiProcess_SortByPType},
    {"FindInvalidData", aiProcess_FindInvalidData},
    {"OptimizeMeshes", aiProcess_OptimizeMeshes},
    {"SplitLargeMeshes", aiProcess_SplitLargeMeshes},
    {"GenSmoothNormals", aiProcess_GenSmoothNormals},
    {"CalcTangentSpace", aiProcess_CalcTangentSpace},
    {"LimitBoneWeights", aiProcess_LimitBoneWeights},
    {"ImproveCacheLocality", aiProcess_ImproveCacheLocality},
};

struct Timing {
    std::vector<double> wall, cpu;
};

double ThreadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

template <typename Call>
bool Measure(Timing& timing, Call call)
{
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = ThreadCpuMilliseconds();
    const bool ok = call();
    timing.cpu.push_back(ThreadCpuMilliseconds() - cpuStart);
    timing.wall.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart)
            .count());
    return ok;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const unsigned flags = tool::ModelImportFlags();
    unsigned covered = 0;
    for (const Step& step : kSteps)
        covered |= step.flag;
    if (covered != flags) {
        std::fprintf(stderr, "the step list does not match the flag word 0x%08X\n", flags);
        return 1;
    }
    Timing read;
    std::vector<Timing> steps(std::size(kSteps));
    for (int run = 0; run < runs; ++run) {
        Assimp::Importer importer;
        if (!Measure(read, [&] { return importer.ReadFile(argv[1], 0) != nullptr; })) {
            std::fprintf(stderr, "%s: %s\n", argv[1], importer.GetErrorString());
            return 1;
        }
        for (size_t i = 0; i < std::size(kSteps); ++i) {
            if (!Measure(steps[i],
                         [&] { return importer.ApplyPostProcessing(kSteps[i].flag) != nullptr; })) {
                std::fprintf(stderr, "%s: %s failed: %s\n", argv[1], kSteps[i].name,
                             importer.GetErrorString());
                return 1;
            }
        }
    }
    std::printf("flag word 0x%08X, median of %d imports, milliseconds\n", flags, runs);
    std::printf("%-26s %10s %10s\n", "step", "cpu", "wall");
    std::printf("%-26s %10.1f %10.1f\n", "read the file", Median(read.cpu), Median(read.wall));
    double cpu = Median(read.cpu), wall = Median(read.wall);
    for (size_t i = 0; i < std::size(kSteps); ++i) {
        std::printf("%-26s %10.1f %10.1f\n", kSteps[i].name, Median(steps[i].cpu),
                    Median(steps[i].wall));
        cpu += Median(steps[i].cpu);
        wall += Median(steps[i].wall);
    }
    std::printf("%-26s %10.1f %10.1f\n", "sum of the medians", cpu, wall);
    return 0;
}
