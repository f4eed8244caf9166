#include "FixedAssets.h"

#include <filesystem>

#include "DdsWriter.h"
#include "FbxBinaryWriter.h"

namespace assets {

namespace {

// Pointing directions in the file's right-handed space. The import mirrors z, so the joint
// arrow and the light marker, which the viewer orients along its own +z, point along -z
// here; the gizmo shows the file's axes and keeps its z arrow at +z.
constexpr Vec3 kFileX{1, 0, 0}, kFileY{0, 1, 0}, kFileZ{0, 0, 1};
constexpr Vec3 kViewerForward{0, 0, -1};

constexpr float kGizmoLength = 10.0f;
constexpr float kGridHalfSize = 500.0f;
constexpr int kGridCells = 40;
constexpr float kSkyboxHalfExtent = 100.0f;

std::string WriteAlbedo(const std::filesystem::path& dir, const std::string& nodeName, uint8_t r,
                        uint8_t g, uint8_t b)
{
    return WriteDdsRgba8((dir / (nodeName + "_D.dds")).string(),
                         BuildMipChain(SolidImage(8, 8, r, g, b, 255)));
}

SceneNodeMesh GizmoAxis(const std::string& name, Vec3 axis, Vec3 color)
{
    SceneNodeMesh node{name, {}, color, name + "_D.dds"};
    AddLathe(node.geometry, {0, 0, 0}, FrameAround(axis),
             ArrowProfile(0.25f, 0.7f, 2.5f, kGizmoLength), 24);
    return node;
}

std::string WriteGizmo(const std::filesystem::path& dir)
{
    std::vector<SceneNodeMesh> axes = {GizmoAxis("AxisX", kFileX, {1, 0, 0}),
                                       GizmoAxis("AxisY", kFileY, {0, 1, 0}),
                                       GizmoAxis("AxisZ", kFileZ, {0, 0, 1})};
    for (auto error :
         {WriteAlbedo(dir, "AxisX", 230, 40, 40), WriteAlbedo(dir, "AxisY", 40, 210, 60),
          WriteAlbedo(dir, "AxisZ", 50, 90, 240),
          WriteBinaryFbxScene((dir / "xyz.fbx").string(), axes)}) {
        if (!error.empty())
            return error;
    }
    return {};
}

std::string WriteGrid(const std::filesystem::path& dir)
{
    SceneNodeMesh plane{"GridPlane", {}, {0.5f, 0.5f, 0.5f}, "GridPlane_D.dds"};
    AddGridLines(plane.geometry, kGridHalfSize, kGridCells);
    if (auto error = WriteAlbedo(dir, "GridPlane", 128, 128, 128); !error.empty())
        return error;
    return WriteBinaryFbxScene((dir / "xyz_plane.fbx").string(), {plane});
}

std::string WriteSkybox(const std::filesystem::path& dir)
{
    SceneNodeMesh cube{"SkyboxCube", {}, {1, 1, 1}, ""};
    AddInwardBox(cube.geometry, kSkyboxHalfExtent);
    return WriteBinaryFbxScene((dir / "skyboxCube.fbx").string(), {cube});
}

std::string WriteLightMarker(const std::filesystem::path& dir)
{
    SceneNodeMesh marker{"LightMarker", {}, {1.0f, 0.85f, 0.3f}, "LightMarker_D.dds"};
    AddSphere(marker.geometry, {0, 0, 0}, 0.45f, 16, 8);
    AddLathe(marker.geometry, {0, 0, 0}, FrameAround(kViewerForward),
             ArrowProfile(0.12f, 0.35f, 1.0f, 3.0f), 16);
    if (auto error = WriteAlbedo(dir, "LightMarker", 255, 220, 80); !error.empty())
        return error;
    return WriteBinaryFbxScene((dir / "lightmesh.fbx").string(), {marker});
}

std::string WriteJointArrow(const std::filesystem::path& dir)
{
    SceneNodeMesh arrow{"JointArrow", {}, {0.95f, 0.75f, 0.2f}, "JointArrow_D.dds"};
    AddBoneShape(arrow.geometry, {0, 0, 0}, kViewerForward, 10.0f, 1.2f, 0.15f);
    if (auto error = WriteAlbedo(dir, "JointArrow", 240, 190, 60); !error.empty())
        return error;
    return WriteBinaryFbxScene((dir / "arrow.fbx").string(), {arrow});
}

}  // namespace

std::string WriteFixedAssets(const std::string& runtimeDir)
{
    const std::filesystem::path root(runtimeDir);
    struct Step {
        const char* folder;
        std::string (*write)(const std::filesystem::path&);
    };
    const Step steps[] = {{"xyz", WriteGizmo},
                          {"xyz", WriteGrid},
                          {"skybox", WriteSkybox},
                          {"lightmesh", WriteLightMarker},
                          {"arrow", WriteJointArrow}};
    for (const Step& step : steps) {
        std::error_code ec;
        std::filesystem::create_directories(root / step.folder, ec);
        if (ec)
            return "cannot create " + (root / step.folder).string() + ": " + ec.message();
        if (auto error = step.write(root / step.folder); !error.empty())
            return error;
    }
    return {};
}

}  // namespace assets
