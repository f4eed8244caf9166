// Where a model's texture files are looked for: beside the model and in the folders artists
// and asset stores keep them in beside it ("textures", "Textures", "tex", "maps"), and, for
// a texture its material names, the path the material gives.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The texture folders that exist beside the model, in the order above.
std::vector<std::filesystem::path> TextureFoldersBeside(const std::filesystem::path& modelFolder);

// True for a regular file (no folder, pipe or device) whose extension names an image format
// the viewer reads, in any case.
bool IsImageFile(const std::filesystem::path& path);

// The file a material names under `stored` (a path as the exporter wrote it: Windows or
// Unix, absolute or relative to the model's folder): that path itself, relative paths from
// `modelFolder`; else its bare name beside the model, then in each texture folder, exact
// names before names that differ in case only. Only regular files count. Nothing when it is
// nowhere.
std::optional<std::filesystem::path> FindMaterialTextureFile(
    const std::filesystem::path& modelFolder, const std::string& stored);
