#include "shaders/ShaderRegistry.h"

#include "shaders/BaseShader.h"
#include "shaders/PixelShaderRegistry.h"

void CShaderRegistry::CompileAll(CBaseShader& shader, bool forceCompile)
{
    CompilePixelShaderTable(shader, forceCompile);
}

void CompilePixelShaderTable(CBaseShader& shader, bool forceCompile)
{
    const ShaderBuildSettings settings = shader.BuildSettings();
    const std::string& customFile = settings.customPixelShaderFile;
    const std::string& customEntry = settings.customPixelShaderEntry;
    shader.PreparePixelShadersAhead(PixelShaderJobs(customFile, customEntry, forceCompile));
    CompileAllPixelShaders(
        [&shader](const std::string& name, const std::string& file, const std::string& entry,
                  bool force, std::string& errorText) {
            return shader.CompilePixelShader(name, file, entry, force, errorText);
        },
        customFile, customEntry, forceCompile);
    shader.DiscardPreparedPixelShaders();
}
