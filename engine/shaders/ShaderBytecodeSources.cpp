#include "shaders/ShaderBytecodeSources.h"

#include <filesystem>

#include "platform/DebugOutput.h"
#include "platform/Log.h"
#include "platform/Paths.h"

namespace {

bool PrecompiledFileExists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::exists(platform::NormalizeSeparators(path), ec);
}

bool TryPrecompiledVertexShader(const std::string& path, const VertexVariantDesc& variant,
                                PreparedVertexShader& out)
{
    ShaderBytecode code;
    std::string ignored;
    if (!ReadPrecompiledFile(path, code) || !TranslateToGlsl(code, out.shader, ignored) ||
        out.shader.stage != ShaderStage::Vertex)
        return false;
    return MatchInputLayout(out.shader.inputs, variant.elements, out.bindings, ignored);
}

}  // namespace

void ReportShaderFailure(const std::string& errorText)
{
    platform::DebugOutput(errorText);
    platform::ReportMessage(errorText, MessageLevelError);
}

bool TryPrepareVertexShader(const std::string& sourceFile, const VertexVariantDesc& variant,
                            PreparedVertexShader& out, std::string& errorText)
{
    out = PreparedVertexShader{};
    std::string precompiled = MakePrecompiledPath(sourceFile, variant.entryPoint);
    if (PrecompiledFileExists(precompiled) &&
        TryPrecompiledVertexShader(precompiled, variant, out)) {
        out.fromPrecompiledFile = true;
        return true;
    }
    out = PreparedVertexShader{};
    ShaderBytecode code;
    if (!CompileShaderFile(sourceFile, variant.entryPoint, "vs_5_0", code, errorText,
                           variant.macros) ||
        !TranslateToGlsl(code, out.shader, errorText) ||
        !MatchInputLayout(out.shader.inputs, variant.elements, out.bindings, errorText)) {
        out = PreparedVertexShader{};
        return false;
    }
    return true;
}

bool PreparePixelShader(const std::string& sourceFile, const std::string& entryPoint,
                        bool forceCompile, bool useTexturePacking, PreparedPixelShader& out,
                        std::string& errorText)
{
    if (TryPreparePixelShader(sourceFile, entryPoint, forceCompile, useTexturePacking, out,
                              errorText))
        return true;
    ReportShaderFailure(errorText);
    return false;
}

bool TryPreparePixelShader(const std::string& sourceFile, const std::string& entryPoint,
                           bool forceCompile, bool useTexturePacking, PreparedPixelShader& out,
                           std::string& errorText)
{
    out = PreparedPixelShader{};
    std::string precompiled = MakePrecompiledPath(sourceFile, entryPoint);
    if (!forceCompile && PrecompiledFileExists(precompiled)) {
        ShaderBytecode code;
        if (!ReadPrecompiledFile(precompiled, code)) {
            errorText = "Invalid precompiled shader: " + precompiled;
            return false;
        }
        bool translated = TranslateToGlsl(code, out.shader, errorText);
        if (!translated || out.shader.stage != ShaderStage::Pixel) {
            if (translated)
                errorText = "Precompiled shader is not a pixel shader: " + precompiled;
            out = PreparedPixelShader{};
            return false;
        }
        out.fromPrecompiledFile = true;
        return true;
    }
    ShaderMacros macros;
    if (useTexturePacking)
        macros.emplace_back("USETEXTUREPACKING", "true");
    ShaderBytecode code;
    if (!CompileShaderFile(sourceFile, entryPoint, "ps_5_0", code, errorText, macros) ||
        !TranslateToGlsl(code, out.shader, errorText)) {
        out = PreparedPixelShader{};
        return false;
    }
    return true;
}
