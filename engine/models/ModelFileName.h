// How a model file's name is read, wherever a load may start: by extension, and relative
// names from the caller's working folder.
#pragma once

#include <filesystem>

// Only FBX files are models; the name's extension says so, in either case.
inline bool IsModelFileName(const std::filesystem::path& path)
{
    const std::filesystem::path extension = path.extension();
    return extension == ".fbx" || extension == ".FBX";
}

// Loads go by absolute names (textures beside the model and the watcher take relative names
// as the program's own data); a name that cannot be anchored stays as it is.
inline std::filesystem::path AnchoredModelPath(const std::filesystem::path& path)
{
    std::error_code ec;
    std::filesystem::path absolute =
        path.is_absolute() ? path : std::filesystem::absolute(path, ec);
    return ec ? path : absolute;
}
