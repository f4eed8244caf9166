#include "shaders/HlslCompile.h"

#include <shaderc/shaderc.h>

#include <cerrno>
#include <memory>

#include "shaders/MacroExpansion.h"

namespace fs = std::filesystem;

namespace {

// Guards against include cycles, which the preprocessor would otherwise follow forever.
constexpr size_t kMaxIncludeDepth = 32;

// What the include callbacks need: where to look and what was read.
struct IncludeContext {
    const platform::DataLayout* layout;
    std::vector<shader_cache::IncludedFile>* included;
    const std::string* source;
    // Every file included so far, in order: macros defined in one and doubled in another
    // are bounded together, with the source that uses them.
    std::string together;
};

// Owns what one include result points at until shaderc releases it.
struct IncludeRecord {
    shaderc_include_result result{};
    std::string name;
    std::string content;
};

shaderc_include_result* ResolveInclude(void* userData, const char* requested, int,
                                       const char* requesting, size_t depth)
{
    auto& context = *static_cast<IncludeContext*>(userData);
    auto* record = new IncludeRecord;
    fs::path target;
    std::string error;
    if (depth > kMaxIncludeDepth) {
        error =
            "include nesting deeper than " + std::to_string(kMaxIncludeDepth) + " (include cycle?)";
    } else {
        // Both include kinds resolve relative to the including file, as the HLSL compiler's
        // standard handler does.
        target = platform::ResolveShaderInclude(*context.layout, requesting,
                                                platform::NormalizeSeparators(requested));
        std::string why;
        if (!ReadShaderFile(target, kMaxShaderSourceBytes, record->content, why))
            error = "cannot include \"" + std::string(requested) + "\": " + why;
        else if (context.together += record->content + "\n";
                 !(why = ShaderMacroProblem(context.together + *context.source)).empty())
            error = "cannot include \"" + std::string(requested) + "\": " + why;
    }
    if (error.empty()) {
        record->name = target.lexically_normal().string();
        context.included->push_back({record->name, record->content});
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

bool ReadShaderFile(const fs::path& path, std::uintmax_t limit, std::string& text,
                    std::string& error, platform::FileProblem* problem)
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

std::string ShaderMacroProblem(const std::string& source)
{
    if (EstimateExpandedTokens(source) <= kMaxExpandedShaderTokens)
        return {};
    return "its macros expand to more than " +
           std::to_string(static_cast<uint64_t>(kMaxExpandedShaderTokens)) + " tokens";
}

HlslCompileResult CompileHlsl(const HlslCompileJob& job)
{
    HlslCompileResult out;
    auto fail = [&out](std::string text) {
        out.errorText = std::move(text);
        out.debugLines.push_back(out.errorText);
        return std::move(out);
    };
    static thread_local std::unique_ptr<shaderc_compiler, CompilerDeleter> compiler(
        shaderc_compiler_initialize());
    std::unique_ptr<shaderc_compile_options, OptionsDeleter> options(
        shaderc_compile_options_initialize());
    if (!compiler || !options)
        return fail("Failed to compile shader");
    shaderc_compile_options_set_source_language(options.get(), shaderc_source_language_hlsl);
    shaderc_compile_options_set_hlsl_functionality1(options.get(), true);
    // Registers become bindings (b0 -> 0, t11 -> 11) and cbuffer members keep HLSL offsets.
    shaderc_compile_options_set_hlsl_io_mapping(options.get(), true);
    shaderc_compile_options_set_hlsl_offsets(options.get(), true);
    shaderc_compile_options_set_auto_map_locations(options.get(), true);
    shaderc_compile_options_set_optimization_level(options.get(), shaderc_optimization_level_zero);
    IncludeContext includes{&job.layout, &out.includes, &job.source, {}};
    shaderc_compile_options_set_include_callbacks(options.get(), ResolveInclude, ReleaseInclude,
                                                  &includes);
    for (const auto& [name, value] : job.macros) {
        shaderc_compile_options_add_macro_definition(options.get(), name.data(), name.size(),
                                                     value.data(), value.size());
    }

    std::unique_ptr<shaderc_compilation_result, ResultDeleter> result(shaderc_compile_into_spv(
        compiler.get(), job.source.data(), job.source.size(),
        job.stage == ShaderStage::Vertex ? shaderc_vertex_shader : shaderc_fragment_shader,
        job.sourceName.c_str(), job.entryPoint.c_str(), options.get()));

    const bool succeeded = result && shaderc_result_get_compilation_status(result.get()) ==
                                         shaderc_compilation_status_success;
    const char* message = result ? shaderc_result_get_error_message(result.get()) : nullptr;
    const bool hasMessage =
        (message && *message) || (result && (shaderc_result_get_num_warnings(result.get()) > 0 ||
                                             shaderc_result_get_num_errors(result.get()) > 0));
    if (!succeeded) {
        out.errorText = "Failed to compile shader";
        out.debugLines.push_back(out.errorText);
    }
    // A warning fails the compile as much as an error.
    if (hasMessage) {
        if (message && *message)
            out.errorText = message;
        out.debugLines.push_back(out.errorText);
        return out;
    }
    if (!succeeded)
        return out;

    const size_t bytes = shaderc_result_get_length(result.get());
    const char* data = shaderc_result_get_bytes(result.get());
    out.code.resize(bytes / sizeof(uint32_t));
    std::copy(data, data + out.code.size() * sizeof(uint32_t),
              reinterpret_cast<char*>(out.code.data()));
    return out;
}
