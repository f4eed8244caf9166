// One HLSL compile with shaderc, given everything it reads but its includes: what the
// shader worker runs, and this process when the worker cannot start.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "shaders/ShaderCache.h"
#include "shaders/ShaderCompiler.h"

// Shader sources are small; anything far larger is not a shader and must not be read whole.
constexpr std::uintmax_t kMaxShaderSourceBytes = 16u << 20;

struct HlslCompileJob {
    std::string sourceName;  // the resolved path: messages name it, includes start from it
    std::string source;
    std::string entryPoint;
    ShaderStage stage = ShaderStage::Pixel;
    ShaderMacros macros;
    platform::DataLayout layout;  // where includes are looked up
};

struct HlslCompileResult {
    ShaderBytecode code;  // empty unless the compile was clean
    std::string errorText;
    // What the compile reports on the debug output, in order.
    std::vector<std::string> debugLines;
    // Every file the compile included, as it was read, for the shader cache.
    std::vector<shader_cache::IncludedFile> includes;
};

HlslCompileResult CompileHlsl(const HlslCompileJob& job);

// Reads a regular file without blocking; `error` says why not ("file too large", ...).
bool ReadShaderFile(const std::filesystem::path& path, std::uintmax_t limit, std::string& text,
                    std::string& error, platform::FileProblem* problem = nullptr);

// Why a source's own macros make too much of it for the preprocessor to hold; empty when
// they do not.
std::string ShaderMacroProblem(const std::string& source);
