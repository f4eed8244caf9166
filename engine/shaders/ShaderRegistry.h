// The engine's shader holder: compiles the pixel-shader table into the one shader object.
#pragma once

class CBaseShader;

class CShaderRegistry {
   public:
    CBaseShader* baseShader = nullptr;  // owned by the engine

    // Compiles every row; success and failure show in the shader's map and the log.
    void CompileAll(CBaseShader& shader, bool forceCompile);
};

// CompileAll's work: the rows with the shader's build settings (its custom file and entry).
void CompilePixelShaderTable(CBaseShader& shader, bool forceCompile);
