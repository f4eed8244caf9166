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

// A precompiled file is shared by every variant of its entry point, so it is used only
// when its inputs fit this variant's layout; otherwise the source is compiled with the
// variant's macros.
bool PrepareVertexShader(const std::string& sourceFile, const VertexVariantDesc& variant,
                         PreparedVertexShader& out, std::string& errorText);

struct PreparedPixelShader {
    TranslatedShader shader;
    bool fromPrecompiledFile = false;
};

// A precompiled file stands in for the compile unless `forceCompile` is set. The only
// macro is USETEXTUREPACKING = "true", and only when packing is on.
bool PreparePixelShader(const std::string& sourceFile, const std::string& entryPoint,
                        bool forceCompile, bool useTexturePacking, PreparedPixelShader& out,
                        std::string& errorText);
