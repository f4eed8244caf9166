#include "SkyTextures.h"

#include <filesystem>

#include "CubeMapBaker.h"
#include "CubePreview.h"
#include "SkyEnvironments.h"

namespace assets {

namespace {

constexpr int kFaceSize = 128;
constexpr int kPreviewRoughMip = 4;

std::string WriteOne(const std::filesystem::path& dir, const std::string& name,
                     const RadianceFunction& radiance, const std::string& previewDir)
{
    const CubeMips cube = BakePrefilteredCube(kFaceSize, radiance);
    if (auto error = WriteDdsCubeRgba16f((dir / (name + ".dds")).string(), cube); !error.empty())
        return error;
    if (previewDir.empty())
        return {};
    const std::filesystem::path preview(previewDir);
    for (int mip : {0, kPreviewRoughMip}) {
        const auto file = preview / (name + "_mip" + std::to_string(mip) + ".png");
        if (auto error = WriteCubePreviewPng(file.string(), cube, mip); !error.empty())
            return error;
    }
    return {};
}

}  // namespace

std::string WriteSkyTextures(const std::string& runtimeDir, const std::string& previewDir)
{
    const std::filesystem::path dir = std::filesystem::path(runtimeDir) / "Skyboxtextures";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!previewDir.empty())
        std::filesystem::create_directories(previewDir, ec);
    if (ec)
        return "cannot create " + dir.string() + ": " + ec.message();
    if (auto error = WriteOne(dir, "sky_daylight", DaylightSkyRadiance, previewDir); !error.empty())
        return error;
    return WriteOne(dir, "studio_neutral", StudioRadiance, previewDir);
}

}  // namespace assets
