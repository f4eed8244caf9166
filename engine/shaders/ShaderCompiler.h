// Run-time HLSL compilation (shaderc) and the precompiled ".shaderkest" bytecode files.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// SPIR-V words: what the engine calls shader bytecode.
using ShaderBytecode = std::vector<uint32_t>;

// (name, value) pairs handed to the preprocessor.
using ShaderMacros = std::vector<std::pair<std::string, std::string>>;

enum class ShaderStage { Vertex, Pixel };

// "vs_5_0"/"vs_4_0" -> Vertex, "ps_5_0"/"ps_4_0" -> Pixel; false for anything else.
bool StageFromTarget(const std::string& target, ShaderStage& stage);

// Compiles one entry point of an HLSL file. A relative file name is looked up beside the
// program. Returns true only when bytecode came out without any message: a warning
// fails the compile as much as an error, and `errorText` receives the compiler's text
// (with file and line) or "Shader not found: <path>".
bool CompileShaderFile(const std::string& fileName, const std::string& entryPoint,
                       const std::string& target, ShaderBytecode& code, std::string& errorText,
                       const ShaderMacros& macros);

// "shaders/VertexShaders.fx" + "VertexShader_Combined" ->
// "shaders/VertexShaders_VertexShader_Combined.shaderkest". Either separator counts.
std::string MakePrecompiledPath(const std::string& sourceFile, const std::string& entryPoint);

// Reads a precompiled file: raw SPIR-V words. False (and `code` empty) when the file is
// missing, unreadable, too large, not a whole number of words or lacks the SPIR-V magic.
bool ReadPrecompiledFile(const std::string& path, ShaderBytecode& code);

// Writes raw SPIR-V words; false when the file cannot be written completely.
bool WritePrecompiledFile(const std::string& path, const ShaderBytecode& code);
