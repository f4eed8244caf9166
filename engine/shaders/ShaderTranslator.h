// SPIR-V -> GLSL 450 core for separable GL programs, plus the reflection of vertex inputs
// needed to match an input layout. Plain data out; no GL calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shaders/ShaderCompiler.h"

// One vertex-stage input: its HLSL semantic split into name and index ("TEXCOORD3" ->
// "TEXCOORD", 3) and the location GLSL gave it.
struct ShaderInput {
    std::string semanticName;
    uint32_t semanticIndex = 0;
    uint32_t location = 0;
};

struct TranslatedShader {
    std::string glsl;
    ShaderStage stage = ShaderStage::Vertex;
    std::vector<ShaderInput> inputs;  // vertex stage only
};

// Translates bytecode. Combined image samplers take their texture's register as binding;
// uniform and storage buffers keep their register numbers. A cbuffer that GLSL cannot lay
// out like HLSL fails with the translator's message in `errorText`.
bool TranslateToGlsl(const ShaderBytecode& code, TranslatedShader& out, std::string& errorText);

// Splits "TEXCOORD3" into ("TEXCOORD", 3); upper-cases the name (semantics ignore case).
ShaderInput ParseSemantic(const std::string& semantic);
