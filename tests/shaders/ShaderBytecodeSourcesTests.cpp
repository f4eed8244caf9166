// Precompiled files versus compiles, and what reaches the log when a shader fails.
#include <gtest/gtest.h>

#include "ShaderTestSupport.h"
#include "platform/Paths.h"
#include "shaders/ShaderBytecodeSources.h"

namespace {

// A private copy of the shipped shaders, so precompiled files can be placed beside them.
class ShaderCopy : public ::testing::Test {
   protected:
    void SetUp() override
    {
        CreateEngineWithScene();
        for (const char* name : {"VertexShaders.fx", "ShaderStructs.fx", "PS_PixelShaders.fx"})
            std::filesystem::copy_file(platform::ProgramDirectory() / "shaders" / name,
                                       dir.path / name);
        vertexFile = (dir.path / "VertexShaders.fx").string();
        pixelFile = (dir.path / "PS_PixelShaders.fx").string();
    }
    ShaderBytecode CompileVariant(uint32_t word)
    {
        auto v = FindVertexVariant(word, true);
        ShaderBytecode code;
        std::string error;
        EXPECT_TRUE(CompileShaderFile(vertexFile, v->entryPoint, "vs_5_0", code, error, v->macros))
            << error;
        return code;
    }
    ScratchDirectory dir;
    std::string vertexFile, pixelFile;
};

TEST_F(ShaderCopy, APrecompiledVertexFileServesOnlyVariantsWhoseLayoutItFits)
{
    // Built for position + UV only: its inputs fit 0x0003 and every richer layout that has
    // POSITION and TEXCOORD0, but not the UV sets of 0x038F.
    ASSERT_TRUE(WritePrecompiledFile(MakePrecompiledPath(vertexFile, "VertexShader_Combined"),
                                     CompileVariant(0x0003)));
    std::string error;
    PreparedVertexShader plain;
    ASSERT_TRUE(TryPrepareVertexShader(vertexFile, *FindVertexVariant(0x0003, true), plain, error));
    EXPECT_TRUE(plain.fromPrecompiledFile);
    PreparedVertexShader texSets;
    ASSERT_TRUE(
        TryPrepareVertexShader(vertexFile, *FindVertexVariant(0x038F, true), texSets, error))
        << error;
    EXPECT_FALSE(texSets.fromPrecompiledFile);
    // The fallback really compiled the variant: it reads the four UV sets.
    size_t texcoords = 0;
    for (const auto& input : texSets.shader.inputs)
        texcoords += input.semanticName == "TEXCOORD";
    EXPECT_EQ(texcoords, 4u);
}

TEST_F(ShaderCopy, ASkinnedPrecompiledFileIsNotUsedForUnskinnedVariants)
{
    ASSERT_TRUE(WritePrecompiledFile(MakePrecompiledPath(vertexFile, "VertexShader_Combined"),
                                     CompileVariant(0x0017)));
    std::string error;
    PreparedVertexShader skinned, rigid;
    ASSERT_TRUE(
        TryPrepareVertexShader(vertexFile, *FindVertexVariant(0x0017, true), skinned, error));
    EXPECT_TRUE(skinned.fromPrecompiledFile);
    ASSERT_TRUE(TryPrepareVertexShader(vertexFile, *FindVertexVariant(0x0007, true), rigid, error));
    EXPECT_FALSE(rigid.fromPrecompiledFile);
}

TEST_F(ShaderCopy, AGarbagePrecompiledVertexFileFallsBackToTheSource)
{
    dir.Write("VertexShaders_VertexShader_Combined.shaderkest", std::string(64, 'x'));
    std::string error;
    PreparedVertexShader prepared;
    ASSERT_TRUE(
        TryPrepareVertexShader(vertexFile, *FindVertexVariant(0x000F, true), prepared, error));
    EXPECT_FALSE(prepared.fromPrecompiledFile);
}

TEST_F(ShaderCopy, PixelPrecompiledFilesAreUsedUnlessForced)
{
    ShaderBytecode albedo;
    std::string error;
    ASSERT_TRUE(CompileShaderFile(pixelFile, "PixelShader_Albedo", "ps_5_0", albedo, error, {}));
    ASSERT_TRUE(WritePrecompiledFile(MakePrecompiledPath(pixelFile, "PixelShader_SkyBox"), albedo));
    PreparedPixelShader prepared;
    ASSERT_TRUE(PreparePixelShader(pixelFile, "PixelShader_SkyBox", false, true, prepared, error));
    EXPECT_TRUE(prepared.fromPrecompiledFile);
    ASSERT_TRUE(PreparePixelShader(pixelFile, "PixelShader_SkyBox", true, true, prepared, error));
    EXPECT_FALSE(prepared.fromPrecompiledFile);
}

TEST_F(ShaderCopy, AVertexShaderPrecompiledAsAPixelShaderIsRejected)
{
    ASSERT_TRUE(WritePrecompiledFile(MakePrecompiledPath(pixelFile, "MainPixelShader"),
                                     CompileVariant(0x0003)));
    PreparedPixelShader prepared;
    std::string error;
    EXPECT_FALSE(PreparePixelShader(pixelFile, "MainPixelShader", false, true, prepared, error));
    EXPECT_EQ(LastLogText(), error);
    EXPECT_EQ(GetEngine()->scene->log.LastMessageLevel(), MessageLevelError);
}

TEST_F(ShaderCopy, CompileFailuresReachTheLogAtLevelZero)
{
    PreparedPixelShader prepared;
    std::string error;
    EXPECT_FALSE(PreparePixelShader(pixelFile, "NoSuchEntry", true, true, prepared, error));
    EXPECT_EQ(LastLogText(), error);
    EXPECT_EQ(GetEngine()->scene->log.LastMessageLevel(), MessageLevelError);
    EXPECT_TRUE(prepared.shader.glsl.empty());

    PreparedVertexShader vertex;
    EXPECT_FALSE(TryPrepareVertexShader((dir.path / "missing.fx").string(),
                                        *FindVertexVariant(0x000F, true), vertex, error));
    EXPECT_EQ(error, "Shader not found: " + (dir.path / "missing.fx").string());
}

TEST_F(ShaderCopy, AShaderWithAWarningIsAbsentAndItsTextLoggedAsAnError)
{
    auto file = dir.Write("PS_Warn.fx",
                          "#extension GL_vornis_nothing : enable\n"
                          "float4 MainPixelShader() : SV_Target { return 1; }\n");
    PreparedPixelShader prepared;
    std::string error;
    EXPECT_FALSE(PreparePixelShader(file.string(), "MainPixelShader", true, true, prepared, error));
    EXPECT_NE(LastLogText().find("PS_Warn.fx:1"), std::string::npos) << LastLogText();
    EXPECT_EQ(GetEngine()->scene->log.LastMessageLevel(), MessageLevelError);
}

TEST_F(ShaderCopy, TexturePackingDefinesTheMacroOnlyWhenOn)
{
    auto file = dir.Write("PS_Packing.fx",
                          "float4 Main() : SV_Target\n{\n#ifdef USETEXTUREPACKING\n"
                          "    return 1;\n#else\n    return undefinedWhenOff;\n#endif\n}\n");
    PreparedPixelShader prepared;
    std::string error;
    EXPECT_TRUE(PreparePixelShader(file.string(), "Main", true, true, prepared, error)) << error;
    EXPECT_FALSE(PreparePixelShader(file.string(), "Main", true, false, prepared, error));
}

}  // namespace
