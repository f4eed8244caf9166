// The user's own pixel-shader files: which files of the shader directory are offered and
// how a choice reaches the engine object.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class CEngine;

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

// Stores the main function's name; nothing is recompiled until the next rebuild.
void SetCustomShaderEntry(CEngine& engine, const std::string& entry);

// Stores the chosen file's path and rebuilds through `recompile`. An index outside the list
// changes nothing.
void SetCustomShaderFile(CEngine& engine, const CustomShaderList& list, size_t index,
                         const std::function<void()>& recompile);
// The same, rebuilding with RecompileShaders.
void SetCustomShaderFile(CEngine& engine, const CustomShaderList& list, size_t index);

// Rebuilds every vertex variant and pixel shader, the registry's rows with force compile,
// as a change in the shader directory does.
void RecompileShaders(CEngine& engine);
