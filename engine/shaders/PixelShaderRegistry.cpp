#include "shaders/PixelShaderRegistry.h"

#include "platform/Log.h"

const std::array<PixelShaderRow, 18> kPixelShaderRows = {{
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
    {"Overlay Colour", "PixelShader_OverlayColour", false, true},
    {kBoneWeightShaderName, "PixelShader_BoneWeights", false, true},
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

std::vector<PixelShaderJob> PixelShaderJobs(const std::string& customPixelShaderFile,
                                            const std::string& customPixelShaderEntry,
                                            bool forceCompile)
{
    const std::string mainFile =
        customPixelShaderFile.empty() ? kDefaultPixelShaderFile : customPixelShaderFile;
    const std::string mainEntry =
        customPixelShaderEntry.empty() ? kDefaultMainEntryPoint : customPixelShaderEntry;
    std::vector<PixelShaderJob> jobs;
    for (const PixelShaderRow& row : kPixelShaderRows)
        jobs.push_back({row.displayName, row.fromMainFile ? mainFile : kDefaultPixelShaderFile,
                        row.entryPoint ? row.entryPoint : mainEntry,
                        row.honoursForce && forceCompile});
    return jobs;
}

void CompileAllPixelShaders(const CompilePixelShaderFn& compile,
                            const std::string& customPixelShaderFile,
                            const std::string& customPixelShaderEntry, bool forceCompile)
{
    std::string errorText;  // each failing compile has already logged its own text
    const std::vector<PixelShaderJob> jobs =
        PixelShaderJobs(customPixelShaderFile, customPixelShaderEntry, forceCompile);
    bool mainOk = false;
    for (size_t row = 0; row < jobs.size(); ++row) {
        const PixelShaderJob& job = jobs[row];
        const bool ok =
            compile(job.displayName, job.sourceFile, job.entryPoint, job.forceCompile, errorText);
        if (row == 0) {
            mainOk = ok;
            continue;
        }
        if (!ok)
            return;
    }
    if (mainOk)
        platform::ReportMessage("All shaders compiled successfully", MessageLevelInfo);
}
