#include "ui/CustomShaderChoice.h"

#include "api/Engine.h"
#include "shaders/BaseShader.h"
#include "shaders/ShaderRegistry.h"

void SetCustomShaderEntry(CEngine& engine, const std::string& entry)
{
    engine.customPixelShaderEntry = entry;
}

void SetCustomShaderFile(CEngine& engine, const CustomShaderList& list, size_t index,
                         const std::function<void()>& recompile)
{
    if (index >= list.paths.size())
        return;
    engine.customPixelShaderFile = list.paths[index];
    if (recompile)
        recompile();
}

void SetCustomShaderFile(CEngine& engine, const CustomShaderList& list, size_t index)
{
    SetCustomShaderFile(engine, list, index, [&engine] { RecompileShaders(engine); });
}

void RecompileShaders(CEngine& engine)
{
    if (engine.shaders && engine.shaders->baseShader)
        engine.shaders->baseShader->OnShaderFileChanged("shaders/ShaderStructs.fx");
}
