// The shipped shader files: every entry point the engine asks for compiles without a
// message through the engine's own compiler and translates to GLSL; precompiled files
// versus compiles, and what reaches the log when a shader fails.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>

#include "ShaderTestSupport.h"
#include "platform/Paths.h"
#include "shaders/PixelShaderRegistry.h"
#include "shaders/ShaderBytecodeSources.h"
#include "shaders/VertexVariants.h"

namespace {

constexpr const char* kVertexFile = "shaders/VertexShaders.fx";

// Locations of the stage interface, by declaration name, from the GLSL text.
std::map<std::string, int> InterfaceLocations(const std::string& glsl, const std::string& io)
{
    std::map<std::string, int> result;
    std::regex pattern("layout\\(location = (\\d+)\\) " + io + " \\w+ (\\w+);");
    for (auto it = std::sregex_iterator(glsl.begin(), glsl.end(), pattern);
         it != std::sregex_iterator(); ++it)
        result[(*it)[2]] = std::stoi((*it)[1]);
    return result;
}

class ShaderSourceFiles : public ::testing::TestWithParam<bool> {};

// With texture packing on and off. The vertex inputs a shader reads take distinct elements,
// POSITION among them; inputs it does not read are dropped.
TEST_P(ShaderSourceFiles, EveryVariantAndRegistryRowCompilesAndTranslates)
{
    CreateEngineWithScene();
    std::string error;
    for (uint32_t word : kVertexVariantWords) {
        SCOPED_TRACE(word);
        PreparedVertexShader prepared;
        ASSERT_TRUE(TryPrepareVertexShader(kVertexFile, *FindVertexVariant(word, GetParam()),
                                           prepared, error))
            << error;
        std::set<size_t> used;
        for (const InputBinding& b : prepared.bindings)
            used.insert(b.element);
        EXPECT_EQ(used.size(), prepared.bindings.size());
        EXPECT_TRUE(used.count(0));
    }
    for (const PixelShaderRow& row : kPixelShaderRows) {
        const std::string entry = row.entryPoint ? row.entryPoint : kDefaultMainEntryPoint;
        SCOPED_TRACE(entry);
        PreparedPixelShader prepared;
        ASSERT_TRUE(
            PreparePixelShader(kDefaultPixelShaderFile, entry, true, GetParam(), prepared, error))
            << error;
        EXPECT_NE(prepared.shader.glsl.find("#version 450"), std::string::npos);
    }
    // The packing macro is defined only when packing is on.
    ScratchDirectory dir;
    auto packing = dir.Write("PS_Packing.fx",
                             "float4 Main() : SV_Target\n{\n#ifdef USETEXTUREPACKING\n"
                             "    return 1;\n#else\n    return undefinedWhenOff;\n#endif\n}\n");
    PreparedPixelShader prepared;
    EXPECT_EQ(PreparePixelShader(packing.string(), "Main", true, GetParam(), prepared, error),
              GetParam());
}

INSTANTIATE_TEST_SUITE_P(TexturePacking, ShaderSourceFiles, ::testing::Values(true, false));

// Unused members are dropped per stage, so the check is by member name: whatever a pixel
// shader reads must sit where every vertex shader writes it.
TEST(ShaderSourceFilesInterface, PixelInputsSitAtTheLocationsTheVertexStageWrites)
{
    CreateEngineWithScene();
    std::string error;
    for (uint32_t word : {0x7B9Fu, 0x0003u, 0x004Fu, 0x002Fu, 0x0400u}) {
        PreparedVertexShader vertex;
        ASSERT_TRUE(
            TryPrepareVertexShader(kVertexFile, *FindVertexVariant(word, true), vertex, error))
            << error;
        auto outputs = InterfaceLocations(vertex.shader.glsl, "out");
        for (const char* entry : {"MainPixelShader", "PixelShader_SkyBox", "FullscreenQuad",
                                  "PixelShader_ObjectNormal", "PixelShader_OnlyVertexColor"}) {
            SCOPED_TRACE(std::to_string(word) + " " + entry);
            PreparedPixelShader pixel;
            ASSERT_TRUE(
                PreparePixelShader(kDefaultPixelShaderFile, entry, true, true, pixel, error))
                << error;
            auto inputs = InterfaceLocations(pixel.shader.glsl, "in");
            ASSERT_FALSE(inputs.empty());
            for (const auto& [name, location] : inputs) {
                std::string member = name.substr(name.find('_') + 1);
                auto written = outputs.find("_entryPointOutput_" + member);
                ASSERT_NE(written, outputs.end()) << member;
                EXPECT_EQ(written->second, location) << member;
            }
        }
    }
}

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

// A precompiled vertex file serves only the variants whose layout it fits: one built for
// position + UV fits every richer layout with POSITION and TEXCOORD0 but not the UV sets
// of 0x038F, a skinned one no unskinned variant, and a garbage one none.
TEST_F(ShaderCopy, APrecompiledVertexFileServesOnlyVariantsWhoseLayoutItFits)
{
    const std::string precompiled = MakePrecompiledPath(vertexFile, "VertexShader_Combined");
    const struct {
        uint32_t builtFor;  // 0: garbage
        uint32_t word;
        bool fromPrecompiledFile;
    } cases[] = {{0x0003, 0x0003, true},
                 {0x0003, 0x038F, false},
                 {0x0017, 0x0017, true},
                 {0x0017, 0x0007, false},
                 {0, 0x000F, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.builtFor << " for " << c.word);
        if (c.builtFor)
            ASSERT_TRUE(WritePrecompiledFile(precompiled, CompileVariant(c.builtFor)));
        else
            dir.Write(std::filesystem::path(precompiled).filename(), std::string(64, 'x'));
        std::string error;
        PreparedVertexShader prepared;
        ASSERT_TRUE(
            TryPrepareVertexShader(vertexFile, *FindVertexVariant(c.word, true), prepared, error))
            << error;
        EXPECT_EQ(prepared.fromPrecompiledFile, c.fromPrecompiledFile);
        if (c.word == 0x038F) {  // the fallback really compiled the variant's four UV sets
            size_t texcoords = 0;
            for (const auto& input : prepared.shader.inputs)
                texcoords += input.semanticName == "TEXCOORD";
            EXPECT_EQ(texcoords, 4u);
        }
    }
}

// A pixel precompiled file serves unless a compile is forced. One that holds a vertex shader,
// or a missing entry, leaves the shader absent, and the reason reaches the log as an error.
TEST_F(ShaderCopy, PixelPrecompiledFilesServeUnlessForcedAndFailuresReachTheLog)
{
    ShaderBytecode albedo;
    std::string error;
    ASSERT_TRUE(CompileShaderFile(pixelFile, "PixelShader_Albedo", "ps_5_0", albedo, error, {}));
    ASSERT_TRUE(WritePrecompiledFile(MakePrecompiledPath(pixelFile, "PixelShader_SkyBox"), albedo));
    PreparedPixelShader prepared;
    for (bool force : {false, true}) {
        ASSERT_TRUE(
            PreparePixelShader(pixelFile, "PixelShader_SkyBox", force, true, prepared, error));
        EXPECT_EQ(prepared.fromPrecompiledFile, !force);
    }

    ASSERT_TRUE(WritePrecompiledFile(MakePrecompiledPath(pixelFile, "MainPixelShader"),
                                     CompileVariant(0x0003)));
    for (const auto& [entry, force] :
         {std::pair("MainPixelShader", false), std::pair("NoSuchEntry", true)}) {
        SCOPED_TRACE(entry);
        PreparedPixelShader failed;
        EXPECT_FALSE(PreparePixelShader(pixelFile, entry, force, true, failed, error));
        EXPECT_TRUE(failed.shader.glsl.empty());
        EXPECT_EQ(GetEngine()->scene->log.LastMessageLevel(), MessageLevelError);
        EXPECT_EQ(LastLogText(), error);
    }

    PreparedVertexShader vertex;
    EXPECT_FALSE(TryPrepareVertexShader((dir.path / "missing.fx").string(),
                                        *FindVertexVariant(0x000F, true), vertex, error));
    EXPECT_EQ(error, "Shader not found: " + (dir.path / "missing.fx").string());
}

}  // namespace
