// The shipped shader files: every entry point the engine asks for compiles without a
// message through the engine's own compiler and translates to GLSL.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>

#include "ShaderTestSupport.h"
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

class ShaderSourceFiles : public ::testing::TestWithParam<bool> {
   protected:
    void SetUp() override { CreateEngineWithScene(); }
};

TEST_P(ShaderSourceFiles, EveryVertexVariantCompilesTranslatesAndMatchesItsLayout)
{
    for (uint32_t word : kVertexVariantWords) {
        SCOPED_TRACE(word);
        auto variant = FindVertexVariant(word, GetParam());
        ASSERT_TRUE(variant);
        PreparedVertexShader prepared;
        std::string error;
        ASSERT_TRUE(TryPrepareVertexShader(kVertexFile, *variant, prepared, error)) << error;
        EXPECT_EQ(prepared.shader.stage, ShaderStage::Vertex);
        // Inputs the shader does not read are dropped; the rest take distinct elements.
        std::set<size_t> used;
        for (const InputBinding& b : prepared.bindings)
            used.insert(b.element);
        EXPECT_EQ(used.size(), prepared.bindings.size());
        EXPECT_TRUE(used.count(0));  // POSITION
    }
}

TEST_P(ShaderSourceFiles, EveryRegistryRowCompilesAndTranslates)
{
    for (const PixelShaderRow& row : kPixelShaderRows) {
        std::string entry = row.entryPoint ? row.entryPoint : kDefaultMainEntryPoint;
        SCOPED_TRACE(entry);
        PreparedPixelShader prepared;
        std::string error;
        ASSERT_TRUE(
            PreparePixelShader(kDefaultPixelShaderFile, entry, true, GetParam(), prepared, error))
            << error;
        EXPECT_EQ(prepared.shader.stage, ShaderStage::Pixel);
        EXPECT_NE(prepared.shader.glsl.find("#version 450"), std::string::npos);
    }
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

// The engine binds the sky at t11, model textures from t0, the constant buffers at b0, b1
// and b3, and the bone palette at t15: the translated shaders must declare them there.
TEST(ShaderSourceFilesInterface, SkyModelTexturesConstantsAndBonesKeepTheirRegisters)
{
    CreateEngineWithScene();
    PreparedPixelShader pixel;
    PreparedVertexShader skinned;
    std::string error;
    ASSERT_TRUE(
        PreparePixelShader(kDefaultPixelShaderFile, "MainPixelShader", true, true, pixel, error))
        << error;
    ASSERT_TRUE(
        TryPrepareVertexShader(kVertexFile, *FindVertexVariant(0x0017, true), skinned, error))
        << error;
    const std::pair<const std::string&, const char*> cases[] = {
        {pixel.shader.glsl, "binding = 11\\) uniform samplerCube"},
        {pixel.shader.glsl, "binding = 2\\) uniform sampler2D"},
        {pixel.shader.glsl, "binding = 0, std140\\) uniform"},
        {pixel.shader.glsl, "binding = 3, std140\\) uniform"},
        {pixel.shader.glsl, "binding = 1, std140\\) uniform"},
        {skinned.shader.glsl, "binding = 15, std430\\) readonly buffer"}};
    for (const auto& [glsl, pattern] : cases)
        EXPECT_TRUE(std::regex_search(glsl, std::regex(pattern))) << pattern << "\n" << glsl;
}

}  // namespace
