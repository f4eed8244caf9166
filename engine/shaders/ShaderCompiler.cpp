#include "shaders/ShaderCompiler.h"

#include <shaderc/shaderc.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "platform/DebugOutput.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "shaders/MacroExpansion.h"
#include "shaders/ShaderCache.h"

namespace fs = std::filesystem;

namespace {

// Shader sources are small; anything far larger is not a shader and must not be read whole.
constexpr std::uintmax_t kMaxSourceBytes = 16u << 20;
constexpr std::uintmax_t kMaxBytecodeBytes = 64u << 20;
// Guards against include cycles, which the preprocessor would otherwise follow forever.
constexpr size_t kMaxIncludeDepth = 32;
constexpr uint32_t kSpirvMagic = 0x07230203;

// Regular files only, opened without blocking (platform::ReadRegularFile).
bool ReadWholeFile(const fs::path& path, std::uintmax_t limit, std::string& text,
                   std::string& error, platform::FileProblem* problem = nullptr)
{
    platform::FileContents file = platform::ReadRegularFile(path, limit);
    if (problem)
        *problem = file.problem;
    if (file.problem != platform::FileProblem::None) {
        error = file.error == EFBIG ? "file too large"
                                    : platform::FileProblemReason(file.problem, file.error);
        return false;
    }
    text = std::move(file.bytes);
    return true;
}

// Why a source's own macros make too much of it for the preprocessor to hold; empty when
// they do not.
std::string MacroProblem(const std::string& source)
{
    if (EstimateExpandedTokens(source) <= kMaxExpandedShaderTokens)
        return {};
    return "its macros expand to more than " +
           std::to_string(static_cast<uint64_t>(kMaxExpandedShaderTokens)) + " tokens";
}

// Owns what one include result points at until shaderc releases it.
struct IncludeRecord {
    shaderc_include_result result{};
    std::string name;
    std::string content;
};

// `includedFiles` collects what was included, for the shader cache.
shaderc_include_result* ResolveInclude(void* includedFiles, const char* requested, int,
                                       const char* requesting, size_t depth)
{
    auto* record = new IncludeRecord;
    fs::path target;
    std::string error;
    if (depth > kMaxIncludeDepth) {
        error =
            "include nesting deeper than " + std::to_string(kMaxIncludeDepth) + " (include cycle?)";
    } else {
        // Both include kinds resolve relative to the including file, as the HLSL compiler's
        // standard handler does.
        target = platform::ResolveShaderInclude(platform::ProgramDataLayout(), requesting,
                                                platform::NormalizeSeparators(requested));
        std::string why;
        if (!ReadWholeFile(target, kMaxSourceBytes, record->content, why))
            error = "cannot include \"" + std::string(requested) + "\": " + why;
        else if (why = MacroProblem(record->content); !why.empty())
            error = "cannot include \"" + std::string(requested) + "\": " + why;
    }
    if (error.empty()) {
        record->name = target.lexically_normal().string();
        static_cast<std::vector<shader_cache::IncludedFile>*>(includedFiles)
            ->push_back({record->name, record->content});
    } else {
        record->name.clear();  // an empty name tells shaderc the include failed
        record->content = error;
    }
    record->result.source_name = record->name.c_str();
    record->result.source_name_length = record->name.size();
    record->result.content = record->content.c_str();
    record->result.content_length = record->content.size();
    record->result.user_data = record;
    return &record->result;
}

void ReleaseInclude(void*, shaderc_include_result* result)
{
    delete static_cast<IncludeRecord*>(result->user_data);
}

struct CompilerDeleter {
    void operator()(shaderc_compiler_t c) const { shaderc_compiler_release(c); }
};
struct OptionsDeleter {
    void operator()(shaderc_compile_options_t o) const { shaderc_compile_options_release(o); }
};
struct ResultDeleter {
    void operator()(shaderc_compilation_result_t r) const { shaderc_result_release(r); }
};

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
    if (!ReadWholeFile(resolved, kMaxSourceBytes, source, why, &problem)) {
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
    if (const std::string why = MacroProblem(source); !why.empty()) {
        errorText = resolved.string() + ": " + why;
        platform::DebugOutput(errorText);
        return false;
    }

    static thread_local std::unique_ptr<shaderc_compiler, CompilerDeleter> compiler(
        shaderc_compiler_initialize());
    std::unique_ptr<shaderc_compile_options, OptionsDeleter> options(
        shaderc_compile_options_initialize());
    if (!compiler || !options) {
        errorText = "Failed to compile shader";
        platform::DebugOutput(errorText);
        return false;
    }
    shaderc_compile_options_set_source_language(options.get(), shaderc_source_language_hlsl);
    shaderc_compile_options_set_hlsl_functionality1(options.get(), true);
    // Registers become bindings (b0 -> 0, t11 -> 11) and cbuffer members keep HLSL offsets.
    shaderc_compile_options_set_hlsl_io_mapping(options.get(), true);
    shaderc_compile_options_set_hlsl_offsets(options.get(), true);
    shaderc_compile_options_set_auto_map_locations(options.get(), true);
    shaderc_compile_options_set_optimization_level(options.get(), shaderc_optimization_level_zero);
    std::vector<shader_cache::IncludedFile> includedFiles;
    shaderc_compile_options_set_include_callbacks(options.get(), ResolveInclude, ReleaseInclude,
                                                  &includedFiles);
    for (const auto& [name, value] : macros) {
        shaderc_compile_options_add_macro_definition(options.get(), name.data(), name.size(),
                                                     value.data(), value.size());
    }

    std::string sourceName = resolved.lexically_normal().string();
    std::unique_ptr<shaderc_compilation_result, ResultDeleter> result(shaderc_compile_into_spv(
        compiler.get(), source.data(), source.size(),
        stage == ShaderStage::Vertex ? shaderc_vertex_shader : shaderc_fragment_shader,
        sourceName.c_str(), entryPoint.c_str(), options.get()));

    bool succeeded = result && shaderc_result_get_compilation_status(result.get()) ==
                                   shaderc_compilation_status_success;
    const char* message = result ? shaderc_result_get_error_message(result.get()) : nullptr;
    bool hasMessage =
        (message && *message) || (result && (shaderc_result_get_num_warnings(result.get()) > 0 ||
                                             shaderc_result_get_num_errors(result.get()) > 0));
    if (!succeeded) {
        errorText = "Failed to compile shader";
        platform::DebugOutput(errorText);
    }
    if (hasMessage) {
        if (message && *message)
            errorText = message;
        platform::DebugOutput(errorText);
        return false;
    }
    if (!succeeded)
        return false;

    size_t bytes = shaderc_result_get_length(result.get());
    const char* data = shaderc_result_get_bytes(result.get());
    code.resize(bytes / sizeof(uint32_t));
    std::copy(data, data + code.size() * sizeof(uint32_t), reinterpret_cast<char*>(code.data()));
    if (code.empty())
        return false;
    shader_cache::Store(cacheInputs, includedFiles, code);
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
    if (!ReadWholeFile(fs::path(platform::NormalizeSeparators(path)), kMaxBytecodeBytes, bytes,
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
