#include "shaders/ShaderCompiler.h"

#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/DebugOutput.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "shaders/HlslCompile.h"
#include "shaders/ShaderCache.h"
#include "shaders/ShaderCompileWorker.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t kMaxBytecodeBytes = 64u << 20;
constexpr uint32_t kSpirvMagic = 0x07230203;

}  // namespace

bool StageFromTarget(const std::string& target, ShaderStage& stage)
{
    if (target == "vs_5_0" || target == "vs_4_0") {
        stage = ShaderStage::Vertex;
        return true;
    }
    if (target == "ps_5_0" || target == "ps_4_0") {
        stage = ShaderStage::Pixel;
        return true;
    }
    return false;
}

bool CompileShaderFile(const std::string& fileName, const std::string& entryPoint,
                       const std::string& target, ShaderBytecode& code, std::string& errorText,
                       const ShaderMacros& macros)
{
    code.clear();
    fs::path resolved = platform::ResolveDataPath(fileName);
    std::string source;
    std::string why;
    platform::FileProblem problem = platform::FileProblem::None;
    if (!ReadShaderFile(resolved, kMaxShaderSourceBytes, source, why, &problem)) {
        if (problem == platform::FileProblem::Missing) {
            errorText = "Shader not found: " + resolved.string();
            return false;
        }
        errorText = resolved.string() + ": " + why;
        platform::DebugOutput(errorText);
        return false;
    }
    ShaderStage stage;
    if (!StageFromTarget(target, stage)) {
        errorText = "Unsupported shader target: " + target;
        platform::DebugOutput(errorText);
        return false;
    }

    const shader_cache::CompileInputs cacheInputs{resolved.lexically_normal().string(), source,
                                                  entryPoint, target, macros};
    if (shader_cache::Load(cacheInputs, code))
        return true;
    // After the cache: what it holds compiled once, with these very sources.
    if (const std::string why = ShaderMacroProblem(source); !why.empty()) {
        errorText = resolved.string() + ": " + why;
        platform::DebugOutput(errorText);
        return false;
    }

    HlslCompileResult compiled = CompileHlslInWorker(
        {cacheInputs.sourceName, source, entryPoint, stage, macros, platform::ProgramDataLayout()});
    for (const std::string& line : compiled.debugLines)
        platform::DebugOutput(line);
    if (compiled.code.empty()) {
        errorText = compiled.errorText;
        return false;
    }
    code = std::move(compiled.code);
    shader_cache::Store(cacheInputs, compiled.includes, code);
    return true;
}

std::string MakePrecompiledPath(const std::string& sourceFile, const std::string& entryPoint)
{
    size_t slash = sourceFile.find_last_of("\\/");
    std::string directory = slash == std::string::npos ? "" : sourceFile.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? sourceFile : sourceFile.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.resize(dot);
    return directory + name + "_" + entryPoint + ".shaderkest";
}

bool ReadPrecompiledFile(const std::string& path, ShaderBytecode& code)
{
    code.clear();
    std::string bytes;
    std::string why;
    if (!ReadShaderFile(fs::path(platform::NormalizeSeparators(path)), kMaxBytecodeBytes, bytes,
                        why))
        return false;
    if (bytes.size() < 5 * sizeof(uint32_t) || bytes.size() % sizeof(uint32_t) != 0)
        return false;
    code.resize(bytes.size() / sizeof(uint32_t));
    std::copy(bytes.begin(), bytes.end(), reinterpret_cast<char*>(code.data()));
    if (code[0] != kSpirvMagic) {
        code.clear();
        return false;
    }
    return true;
}

bool WritePrecompiledFile(const std::string& path, const ShaderBytecode& code)
{
    std::ofstream out(fs::path(platform::NormalizeSeparators(path)),
                      std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(reinterpret_cast<const char*>(code.data()),
              static_cast<std::streamsize>(code.size() * sizeof(uint32_t)));
    out.flush();
    return static_cast<bool>(out);
}
