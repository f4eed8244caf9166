#include "DemoSpheres.h"

#include <cmath>
#include <filesystem>

#include "DdsWriter.h"
#include "FbxSceneWriter.h"

namespace assets {

namespace {

constexpr float kRadius = 1.0f;
constexpr float kSpacing = 2.5f;
constexpr int kTextureSize = 16;

struct RowLook {
    uint8_t albedo[3];  // sRGB, as painted albedo textures are
    float metalness;
    Vec3 diffuseColor;
};

// Red plastic above, gold below.
constexpr RowLook kRows[kDemoRows] = {
    {{200, 40, 35}, 0.0f, {0.58f, 0.02f, 0.02f}},
    {{255, 214, 140}, 1.0f, {1.0f, 0.67f, 0.26f}},
};

uint8_t ToByte(float value)
{
    return static_cast<uint8_t>(std::lround(value * 255.0f));
}

std::string WriteTexture(const std::filesystem::path& file, const Rgba8Image& image)
{
    return WriteDdsRgba8(file.string(), BuildMipChain(image));
}

std::string WriteSphereTextures(const std::filesystem::path& dir, const std::string& name,
                                const RowLook& look, float roughness)
{
    const uint8_t* a = look.albedo;
    // Material packing read by the shaders: occlusion, roughness, metalness, emissive mask.
    const Rgba8Image material =
        SolidImage(kTextureSize, kTextureSize, 255, ToByte(roughness), ToByte(look.metalness), 0);
    const Rgba8Image albedo = SolidImage(kTextureSize, kTextureSize, a[0], a[1], a[2], 255);
    const Rgba8Image flatNormal = SolidImage(kTextureSize, kTextureSize, 128, 128, 255, 255);
    for (auto error : {WriteTexture(dir / (name + "_D.dds"), albedo),
                       WriteTexture(dir / (name + "_M.dds"), material),
                       WriteTexture(dir / (name + "_N.dds"), flatNormal)}) {
        if (!error.empty())
            return error;
    }
    return {};
}

}  // namespace

std::string DemoSphereName(int row, int column)
{
    return "Ball_r" + std::to_string(row) + "c" + std::to_string(column);
}

float DemoSphereRoughness(int column)
{
    return 0.05f + 0.95f * static_cast<float>(column) / (kDemoColumns - 1);
}

std::string WriteDemoSpheres(const std::string& runtimeDir)
{
    const std::filesystem::path dir = std::filesystem::path(runtimeDir) / "demo";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec)
        return "cannot create " + dir.string() + ": " + ec.message();

    std::vector<SceneNodeMesh> spheres;
    for (int row = 0; row < kDemoRows; ++row) {
        for (int column = 0; column < kDemoColumns; ++column) {
            const std::string name = DemoSphereName(row, column);
            const float roughness = DemoSphereRoughness(column);
            // Standing on the ground plane, the metal row below the dielectric one.
            const Vec3 centre{(column - (kDemoColumns - 1) * 0.5f) * kSpacing,
                              kRadius + (kDemoRows - 1 - row) * kSpacing, 0};
            // One material a row keeps the file within the viewer's eight materials; each
            // sphere's textures are found by its name.
            SceneNodeMesh sphere{name, {}, kRows[row].diffuseColor};
            sphere.sharedMaterial = "Row" + std::to_string(row);
            AddSphere(sphere.geometry, centre, kRadius, 32, 16);
            spheres.push_back(std::move(sphere));
            if (auto error = WriteSphereTextures(dir, name, kRows[row], roughness); !error.empty())
                return error;
        }
    }
    // A floor and back wall behind the spheres: a studio stage. Being the largest mesh, it
    // is what the viewer frames when the model arrives, so the whole set comes into view.
    const float halfWidth = (kDemoColumns * kSpacing) * 0.5f + kRadius;
    const float wallHalfHeight = (kDemoRows * kSpacing + kRadius) * 0.5f;
    SceneNodeMesh stage{kDemoStageName, {}, {0.18f, 0.18f, 0.2f}, kDemoStageName + "_D.dds"};
    AddPatch(stage.geometry, {0, 0, 0}, {halfWidth, 0, 0}, {0, 0, -kSpacing}, 8, 2);
    AddPatch(stage.geometry, {0, wallHalfHeight, -kSpacing}, {halfWidth, 0, 0},
             {0, wallHalfHeight, 0}, 8, 4);
    spheres.push_back(std::move(stage));
    const RowLook stageLook{{70, 72, 78}, 0.0f, {0.06f, 0.06f, 0.07f}};
    if (auto error = WriteSphereTextures(dir, kDemoStageName, stageLook, 0.6f); !error.empty())
        return error;
    return WriteFbxScene((dir / "spheres.fbx").string(), spheres);
}

}  // namespace assets
