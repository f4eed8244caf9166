// The user's own pixel-shader files: which files of the shader directory are offered.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

struct CustomShaderList {
    std::vector<std::string> displayNames;  // file names
    std::vector<std::string> paths;         // full paths, used as given by the compiler
};

// Offers the regular files of the directory whose names begin with "PS_", in the order the
// file system lists them. A missing or unreadable directory gives an empty list.
CustomShaderList ListCustomShaderFiles(const std::filesystem::path& directory);
// The same over several directories in lookup order: a name offered by an earlier one
// hides the same name in a later one.
CustomShaderList ListCustomShaderFiles(const std::vector<std::filesystem::path>& directories);
// The program's shader folders (platform::ShaderDirectories).
CustomShaderList ListCustomShaderFiles();
