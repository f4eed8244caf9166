// Compiled shaders kept on disk between runs, so that start-up and rebuilds compile only
// what changed. An entry is found only when everything the compile read is unchanged: the
// source text, every file it included, entry point, target and macros. Only compiles that
// succeeded without any message are stored, so a cached shader behaves exactly as a fresh
// compile would.
//
// The directory is $VORNIS_SHADER_CACHE, or $XDG_CACHE_HOME/vornis/shaders, or
// ~/.cache/vornis/shaders; VORNIS_SHADER_CACHE=off turns the cache off.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "shaders/ShaderCompiler.h"

namespace shader_cache {

struct CompileInputs {
    std::string sourceName;  // the resolved path the compile reports in its messages
    std::string sourceText;
    std::string entryPoint;
    std::string target;
    ShaderMacros macros;
};

// A file the compile included, as it was read.
struct IncludedFile {
    std::string path;
    std::string content;
};

std::optional<std::filesystem::path> Directory();

// The cached bytecode for these inputs, when every included file still reads the same.
bool Load(const CompileInputs& inputs, ShaderBytecode& code);

// Stores a clean compile. Concurrent stores of one entry are safe (write, then rename).
void Store(const CompileInputs& inputs, const std::vector<IncludedFile>& includes,
           const ShaderBytecode& code);

}  // namespace shader_cache
