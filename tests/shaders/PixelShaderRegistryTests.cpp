// Which pixel shader is compiled from which file, in which order, and how a failure stops
// the rest; how a choice of the user's file reaches the engine.
#include <gtest/gtest.h>

#include <set>

#include "ShaderTestSupport.h"
#include "shaders/PixelShaderRegistry.h"
#include "ui/CustomShaderChoice.h"

namespace {

// Records every compile and fails the display names it is told to fail.
struct FakeCompiler {
    struct Call {
        std::string name, file, entry;
        bool force;
    };
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
};

// All rows in order; a custom file supplies rows one and two only, and a reload forces
// every row but the skybox, which comes last.
TEST(PixelShaderRegistry, CompilesEveryRowInOrderFromItsFile)
{
    CreateEngineWithScene();
    for (bool custom : {false, true}) {
        SCOPED_TRACE(custom);
        FakeCompiler fake;
        CompileAllPixelShaders(fake.Fn(), custom ? "/x/PS_Toon.fx" : "", custom ? "Toon" : "",
                               custom);
        const size_t rows = kPixelShaderRows.size();
        ASSERT_EQ(fake.calls.size(), rows);
        for (size_t i = 0; i < rows; ++i) {
            EXPECT_EQ(fake.calls[i].file,
                      custom && i < 2 ? "/x/PS_Toon.fx" : "shaders/PS_PixelShaders.fx")
                << i;
            EXPECT_EQ(fake.calls[i].force, custom && i + 1 < rows) << i;
        }
        EXPECT_EQ(fake.calls[0].entry, custom ? "Toon" : "MainPixelShader");
        EXPECT_EQ(fake.calls[1].entry, "FullscreenQuad");
        EXPECT_EQ(fake.calls.back().name, "SKYBOX");
        EXPECT_EQ(fake.calls[rows - 2].name, "Bone Weights");
        EXPECT_EQ(fake.calls[rows - 2].entry, "PixelShader_BoneWeights");
        EXPECT_EQ(LastLogText(), "All shaders compiled successfully");
        EXPECT_EQ(GetEngine()->scene->log.LastMessageLevel(), MessageLevelInfo);
    }
    // The channel views are registry rows.
    std::set<std::string> registered;
    for (const auto& row : kPixelShaderRows)
        registered.insert(row.displayName);
    for (const char* view : ShaderViewNames)
        EXPECT_TRUE(registered.count(view)) << view;
}

// A failed row stops every later one, except the main shader (row 1) and the skybox (the
// last), whose failure stops nothing; any failure keeps the success message out.
TEST(PixelShaderRegistry, AFailedRowStopsTheRowsAfterItButTheMainShaderAndSkyboxStopNothing)
{
    CreateEngineWithScene();
    const size_t rows = kPixelShaderRows.size();
    const std::pair<const char*, size_t> cases[] = {
        {"PBL Default", rows}, {"FullscreenQuad", 2}, {"Model Metalness", 7}, {"SKYBOX", rows}};
    for (const auto& [failing, compiled] : cases) {
        SCOPED_TRACE(failing);
        FakeCompiler fake;
        fake.failing = {failing};
        const size_t before = GetEngine()->scene->log.Count();
        CompileAllPixelShaders(fake.Fn(), "", "", false);
        ASSERT_EQ(fake.calls.size(), compiled);
        EXPECT_EQ(fake.calls.back().name, compiled == rows ? "SKYBOX" : failing);
        EXPECT_EQ(GetEngine()->scene->log.Count(), before);
    }
}

// A choice is stored and rebuilds once; an index outside the list changes nothing.
TEST(CustomShaderChoice, AChosenFileIsStoredAndRebuildsOnce)
{
    CreateEngineObject();
    CustomShaderList list{{"PS_A.fx", "PS_B.fx"}, {"/s/PS_A.fx", "/s/PS_B.fx"}};
    int rebuilds = 0;
    SetCustomShaderFile(*GetEngine(), list, 1, [&] { ++rebuilds; });
    SetCustomShaderFile(*GetEngine(), list, 2, [&] { ++rebuilds; });
    EXPECT_EQ(GetEngine()->customPixelShaderFile, "/s/PS_B.fx");
    EXPECT_EQ(rebuilds, 1);
}

}  // namespace
