#include "animation/SkeletonMarkers.h"

#include <filesystem>
#include <mutex>

#include "models/ModelImporter.h"
#include "models/ModelNode.h"
#include "platform/Paths.h"

namespace {

std::unique_ptr<CModelNode> ImportMarker(const CModelImporter& importer, const char* relativePath)
{
    const std::string path = platform::FindFixedAsset(relativePath);
    auto model = importer.ImportModel(path.c_str(), nullptr,
                                      std::filesystem::path(path).parent_path().string(), 0, false);
    if (model)
        model->shaderName = "Model Albedo Alpha Discard";
    return model;
}

}  // namespace

SkeletonMarkers::SkeletonMarkers() = default;
SkeletonMarkers::~SkeletonMarkers() = default;

std::shared_ptr<SkeletonMarkers> AcquireSkeletonMarkers(const CModelImporter& importer)
{
    // Loads run on threads of their own; two may create sets at once.
    static std::mutex lock;
    static std::weak_ptr<SkeletonMarkers> shared;
    std::lock_guard<std::mutex> guard(lock);
    if (std::shared_ptr<SkeletonMarkers> alive = shared.lock())
        return alive;
    auto markers = std::make_shared<SkeletonMarkers>();
    markers->arrow = ImportMarker(importer, "arrow/arrow.fbx");
    markers->axis = ImportMarker(importer, "xyz/xyz.fbx");
    shared = markers;
    return markers;
}
