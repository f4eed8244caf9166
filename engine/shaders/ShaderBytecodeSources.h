// Where a shader's bytecode comes from: a precompiled ".shaderkest" file or a compile of
// its source, followed by the translation to GLSL. Failures are reported to the message
// log at level 0 as compile errors are; the GL side only creates programs from the result.
#pragma once

#include <string>
#include <vector>

#include "shaders/ShaderCompiler.h"
#include "shaders/ShaderTranslator.h"
#include "shaders/VertexVariants.h"

struct PreparedVertexShader {
    TranslatedShader shader;
    std::vector<InputBinding> bindings;  // shader input location -> layout element
    bool fromPrecompiledFile = false;
};

struct PreparedPixelShader {
    TranslatedShader shader;
    bool fromPrecompiledFile = false;
};

// A precompiled file stands in for the compile unless `forceCompile` is set. The only
// macro is USETEXTUREPACKING = "true", and only when packing is on.
bool PreparePixelShader(const std::string& sourceFile, const std::string& entryPoint,
                        bool forceCompile, bool useTexturePacking, PreparedPixelShader& out,
                        std::string& errorText);

// Without reporting, for builds that prepare on worker threads and report on the engine's
// thread, in build order. Safe to call from several threads at once.
// A precompiled vertex file is shared by every variant of its entry point, so it is used
// only when its inputs fit this variant's layout; otherwise the source is compiled with the
// variant's macros.
bool TryPrepareVertexShader(const std::string& sourceFile, const VertexVariantDesc& variant,
                            PreparedVertexShader& out, std::string& errorText);
bool TryPreparePixelShader(const std::string& sourceFile, const std::string& entryPoint,
                           bool forceCompile, bool useTexturePacking, PreparedPixelShader& out,
                           std::string& errorText);

// What a failed preparation reports: the text to the debug output and to the log (level 0).
void ReportShaderFailure(const std::string& errorText);
