#include "shaders/PixelShaderRegistry.h"

#include "api/Engine.h"

const std::array<PixelShaderRow, 16> kPixelShaderRows = {{
    {"PBL Default", nullptr, true, true},
    {"FullscreenQuad", "FullscreenQuad", true, true},
    {"Model Albedo", "PixelShader_Albedo", false, true},
    {"Model Albedo Alpha Discard", "PixelShader_Albedo_Alpha_Discard", false, true},
    {"Grid", "PixelShader_Grid", false, true},
    {"Model Roughness", "PixelShader_Roughness", false, true},
    {"Model Metalness", "PixelShader_Metalness", false, true},
    {"Model AO", "PixelShader_AmbientOcclusion", false, true},
    {"Model Emissive", "PixelShader_Emissive", false, true},
    {"Model Normalmap", "PixelShader_Normalmap", false, true},
    {"Model Vertex Normal", "PixelShader_VertexNormal", false, true},
    {"Model Vertex Binormal", "PixelShader_VertexBinormal", false, true},
    {"Model Vertex Tangent", "PixelShader_VertexTangent", false, true},
    {"Model Object Normal", "PixelShader_ObjectNormal", false, true},
    {"VertexColors", "PixelShader_OnlyVertexColor", false, true},
    {"SKYBOX", "PixelShader_SkyBox", false, false},
}};

const std::array<const char*, 12> ShaderViewNames = {
    "PBL Default",
    "Model Albedo",
    "Model Roughness",
    "Model Metalness",
    "Model AO",
    "Model Emissive",
    "Model Normalmap",
    "Model Vertex Normal",
    "Model Vertex Binormal",
    "Model Vertex Tangent",
    "Model Object Normal",
    "VertexColors",
};

void CompileAllPixelShaders(const CompilePixelShaderFn& compile,
                            const std::string& customPixelShaderFile,
                            const std::string& customPixelShaderEntry, bool forceCompile)
{
    const std::string mainFile =
        customPixelShaderFile.empty() ? kDefaultPixelShaderFile : customPixelShaderFile;
    const std::string mainEntry =
        customPixelShaderEntry.empty() ? kDefaultMainEntryPoint : customPixelShaderEntry;
    std::string errorText;  // each failing compile has already logged its own text

    bool mainOk = false;
    for (size_t row = 0; row < kPixelShaderRows.size(); ++row) {
        const PixelShaderRow& r = kPixelShaderRows[row];
        const std::string file = r.fromMainFile ? mainFile : kDefaultPixelShaderFile;
        const std::string entry = r.entryPoint ? r.entryPoint : mainEntry;
        bool ok = compile(r.displayName, file, entry, r.honoursForce && forceCompile, errorText);
        if (row == 0) {
            mainOk = ok;
            continue;
        }
        if (!ok)
            return;
    }
    if (mainOk)
        ReportMessage("All shaders compiled successfully", MessageLevelInfo);
}
