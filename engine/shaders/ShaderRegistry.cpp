#include "shaders/ShaderRegistry.h"

#include "api/Engine.h"
#include "shaders/BaseShader.h"
#include "shaders/PixelShaderRegistry.h"

void CShaderRegistry::CompileAll(CBaseShader& shader, bool forceCompile)
{
    CEngine* engine = GetEngine();
    const std::string customFile = engine ? engine->customPixelShaderFile : std::string();
    const std::string customEntry = engine ? engine->customPixelShaderEntry : std::string();
    shader.PreparePixelShadersAhead(PixelShaderJobs(customFile, customEntry, forceCompile));
    CompileAllPixelShaders(
        [&shader](const std::string& name, const std::string& file, const std::string& entry,
                  bool force, std::string& errorText) {
            return shader.CompilePixelShader(name, file, entry, force, errorText);
        },
        customFile, customEntry, forceCompile);
    shader.DiscardPreparedPixelShaders();
}
