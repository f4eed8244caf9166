// SPIR-V -> GLSL translation and the reflection of vertex inputs.
#include <gtest/gtest.h>

#include <regex>

#include "ShaderTestSupport.h"
#include "shaders/ShaderTranslator.h"

namespace {

ShaderBytecode Compile(const ScratchDirectory& dir, const std::string& source,
                       const std::string& entry, const std::string& target)
{
    auto file = dir.Write("t.fx", source);
    ShaderBytecode code;
    std::string error;
    EXPECT_TRUE(CompileShaderFile(file.string(), entry, target, code, error, {})) << error;
    return code;
}

TEST(TranslateToGlsl, ReflectsEverySemanticWithItsLocation)
{
    ScratchDirectory dir;
    auto code =
        Compile(dir,
                "struct In { float4 p : POSITION; float2 uv : TEXCOORD3; float4 c : color1; };\n"
                "float4 Main(In i) : SV_Position { return i.p + float4(i.uv, 0, 0) + i.c; }\n",
                "Main", "vs_5_0");
    TranslatedShader out;
    std::string error;
    ASSERT_TRUE(TranslateToGlsl(code, out, error)) << error;
    EXPECT_EQ(out.stage, ShaderStage::Vertex);
    ASSERT_EQ(out.inputs.size(), 3u);
    std::map<std::string, ShaderInput> bySemantic;
    for (const auto& input : out.inputs)
        bySemantic[input.semanticName + std::to_string(input.semanticIndex)] = input;
    ASSERT_TRUE(bySemantic.count("POSITION0"));
    ASSERT_TRUE(bySemantic.count("TEXCOORD3"));
    ASSERT_TRUE(bySemantic.count("COLOR1"));  // semantics ignore case
    // The reported location is the one the GLSL declares for that input.
    for (const auto& input : out.inputs) {
        std::regex declared("layout\\(location = " + std::to_string(input.location) + "\\) in");
        EXPECT_TRUE(std::regex_search(out.glsl, declared)) << out.glsl;
    }
}

// Bytecode that is not SPIR-V, and a cbuffer that std140 cannot hold: HLSL packs the float3
// right after the float (offset 4), std140 cannot. Either fails like a compile.
TEST(TranslateToGlsl, RefusesNoiseAndCbuffersThatStd140CannotHold)
{
    ShaderBytecode noise(64);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<uint32_t>(i * 2654435761u);
    noise[0] = 0x07230203u;
    TranslatedShader out;
    for (const ShaderBytecode& bad :
         {ShaderBytecode{}, ShaderBytecode{0x07230203u, 0x00010000u, 0, 99, 0, 0xFFFFFFFFu},
          noise}) {
        std::string error;
        EXPECT_FALSE(TranslateToGlsl(bad, out, error));
        EXPECT_FALSE(error.empty());
    }
    ScratchDirectory dir;
    auto code = Compile(dir,
                        "cbuffer C : register(b0) { float a; float3 b; };\n"
                        "float4 Main() : SV_Target { return float4(b, a); }\n",
                        "Main", "ps_5_0");
    std::string error;
    EXPECT_FALSE(TranslateToGlsl(code, out, error));
    EXPECT_NE(error.find("std140"), std::string::npos) << error;
}

}  // namespace
