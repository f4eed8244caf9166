// libFuzzer target for the FBX path. Any bytes go through the structure check and the array
// inflation ahead of the library, through the scene decoder as if they were a worker's
// answer, and, as a file, through the import worker exactly as a model load does: the answer must be a scene or a reason, never a crash here,
// and a scene must survive mesh building. A crash inside the import library ends only the
// worker, which is the behaviour under test, so the fuzzer goes on.
#include <assimp/scene.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "models/FbxArrayInflate.h"
#include "models/FbxStructureCheck.h"
#include "models/ImportWorker.h"
#include "models/MeshData.h"
#include "models/ModelImportContext.h"
#include "models/ModelImporter.h"
#include "models/SceneTransfer.h"

namespace {

// Below libFuzzer's -timeout, so that a hanging import is reported by the worker's cap.
constexpr std::chrono::seconds kImportTimeCap{5};

const std::filesystem::path& InputFile()
{
    static const std::filesystem::path path = [] {
        const char* dir = std::getenv("TMPDIR");
        std::filesystem::path file = std::filesystem::path(dir && *dir ? dir : "/tmp") /
                                     ("vornis-fuzz-" + std::to_string(getpid()) + ".fbx");
        platform::WorkerLimits limits;
        limits.time = kImportTimeCap;
        SetImportWorkerLimits(limits);
        return file;
    }();
    return path;
}

void BuildEveryMesh(const aiScene& scene)
{
    ModelImportContext context;
    CollectMaterialTextures(scene, context);
    for (unsigned i = 0; i < scene.mNumMeshes; ++i) {
        if (!scene.mMeshes || !scene.mMeshes[i])
            continue;
        MeshData mesh;
        BuildMesh(context, mesh, *scene.mMeshes[i], scene);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    uint32_t takes = 0;
    const bool refused = FindUnsafeFbxStructure(bytes, &takes).has_value();
    // What the worker does with a file that passes the check, here where it is watched.
    if (!refused)
        InflateFbxArrays(bytes);

    std::string problem;
    if (std::unique_ptr<aiScene> decoded = DecodeScene(bytes, problem))
        BuildEveryMesh(*decoded);
    else if (problem.empty())
        __builtin_trap();  // a refused answer always says why

    if (refused)
        return 0;
    {
        std::ofstream out(InputFile(), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::string why;
    std::optional<LibraryImport> imported = ImportInWorker(InputFile(), kModelImportFlags, why);
    if (!imported) {
        std::fprintf(stderr, "the import worker did not start: %s\n", why.c_str());
        std::abort();
    }
    if (imported->scene)
        BuildEveryMesh(*imported->scene);
    else if (imported->refusal.empty() && imported->libraryText.empty())
        __builtin_trap();  // a failed import always says why
    return 0;
}
