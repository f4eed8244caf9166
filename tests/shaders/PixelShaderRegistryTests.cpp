// Compile order and the stop-at-first-failure rules of the pixel-shader registry.
#include <gtest/gtest.h>

#include <set>

#include "ShaderTestSupport.h"
#include "shaders/PixelShaderRegistry.h"

namespace {

struct Call {
    std::string name, file, entry;
    bool force;
};

// Records every compile and fails the display names it is told to fail.
struct FakeCompiler {
    std::vector<Call> calls;
    std::set<std::string> failing;
    CompilePixelShaderFn Fn()
    {
        return [this](const std::string& name, const std::string& file, const std::string& entry,
                      bool force, std::string&) {
            calls.push_back({name, file, entry, force});
            return failing.count(name) == 0;
        };
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const Call& c : calls)
            names.push_back(c.name);
        return names;
    }
};

class PixelShaderRegistry : public ::testing::Test {
   protected:
    void SetUp() override { CreateEngineWithScene(); }
    size_t LogCount() { return GetEngine()->scene->log.Count(); }
};

TEST_F(PixelShaderRegistry, CompilesAllSixteenRowsInOrderFromTheDefaultFile)
{
    FakeCompiler fake;
    CompileAllPixelShaders(fake.Fn(), "", "", false);
    ASSERT_EQ(fake.calls.size(), 16u);
    EXPECT_EQ(fake.calls[0].entry, "MainPixelShader");
    EXPECT_EQ(fake.calls[1].entry, "FullscreenQuad");
    EXPECT_EQ(fake.calls[4].name, "Grid");
    EXPECT_EQ(fake.calls[4].entry, "PixelShader_Grid");
    EXPECT_EQ(fake.calls[15].name, "SKYBOX");
    for (const Call& c : fake.calls)
        EXPECT_EQ(c.file, "shaders/PS_PixelShaders.fx");
    EXPECT_EQ(LastLogText(), "All shaders compiled successfully");
    EXPECT_EQ(GetEngine()->scene->log.LastMessageLevel(), MessageLevelInfo);
}

TEST_F(PixelShaderRegistry, AReloadForcesEveryRowButTheSkybox)
{
    FakeCompiler fake;
    CompileAllPixelShaders(fake.Fn(), "", "", true);
    for (size_t i = 0; i < 15; ++i)
        EXPECT_TRUE(fake.calls[i].force) << fake.calls[i].name;
    EXPECT_FALSE(fake.calls[15].force);
    FakeCompiler startup;
    CompileAllPixelShaders(startup.Fn(), "", "", false);
    for (const Call& c : startup.calls)
        EXPECT_FALSE(c.force);
}

TEST_F(PixelShaderRegistry, ACustomFileSuppliesRowsOneAndTwoOnly)
{
    FakeCompiler fake;
    CompileAllPixelShaders(fake.Fn(), "/x/shaders/PS_Toon.fx", "ToonMain", false);
    ASSERT_EQ(fake.calls.size(), 16u);
    EXPECT_EQ(fake.calls[0].file, "/x/shaders/PS_Toon.fx");
    EXPECT_EQ(fake.calls[0].entry, "ToonMain");
    EXPECT_EQ(fake.calls[1].file, "/x/shaders/PS_Toon.fx");
    EXPECT_EQ(fake.calls[1].entry, "FullscreenQuad");
    for (size_t i = 2; i < 16; ++i)
        EXPECT_EQ(fake.calls[i].file, "shaders/PS_PixelShaders.fx");
}

// A failed row stops every later one, except the main shader (row 1) and the skybox (the
// last), whose failure stops nothing; any failure keeps the success message out.
TEST_F(PixelShaderRegistry, AFailedRowStopsTheRowsAfterItButTheMainShaderAndSkyboxStopNothing)
{
    const std::pair<const char*, size_t> cases[] = {
        {"PBL Default", 16}, {"FullscreenQuad", 2}, {"Model Metalness", 7}, {"SKYBOX", 16}};
    for (const auto& [failing, compiled] : cases) {
        SCOPED_TRACE(failing);
        FakeCompiler fake;
        fake.failing = {failing};
        const size_t before = LogCount();
        CompileAllPixelShaders(fake.Fn(), "", "", false);
        ASSERT_EQ(fake.calls.size(), compiled);
        EXPECT_EQ(fake.calls.back().name, compiled == 16 ? "SKYBOX" : failing);
        if (compiled == 16) {
            EXPECT_EQ(LogCount(), before);
        }
        EXPECT_NE(LastLogText(), "All shaders compiled successfully");
    }
}

TEST_F(PixelShaderRegistry, ACustomFileWithoutFullscreenQuadRemovesRowsTwoToSixteen)
{
    FakeCompiler fake;
    CompilePixelShaderFn compile = [&](const std::string& name, const std::string& file,
                                       const std::string& entry, bool force,
                                       std::string& /*error*/) {
        fake.calls.push_back({name, file, entry, force});
        return !(file == "/u/PS_Mine.fx" && entry == "FullscreenQuad");
    };
    CompileAllPixelShaders(compile, "/u/PS_Mine.fx", "Mine", false);
    EXPECT_EQ(fake.calls.size(), 2u);
}

TEST(ShaderViewNames, NumberTheChannelViewsAndAllAreRegistryNames)
{
    std::set<std::string> registered;
    for (const auto& row : kPixelShaderRows)
        registered.insert(row.displayName);
    for (const char* view : ShaderViewNames)
        EXPECT_TRUE(registered.count(view)) << view;
}

}  // namespace
