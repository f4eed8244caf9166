// Which user files are offered and how a choice reaches the engine.
#include <gtest/gtest.h>

#include "ShaderTestSupport.h"
#include "ui/CustomShaderChoice.h"

namespace {

TEST(ListCustomShaderFiles, OffersOnlyFilesNamedWithThePrefix)
{
    ScratchDirectory dir;
    for (const char* name : {"PS_Toon.fx", "ToonPS.hlsl", "VertexShaders.fx", "ps_lower.fx"})
        dir.Write(name, "");
    std::filesystem::create_directories(dir.path / "PS_folder");
    CustomShaderList list = ListCustomShaderFiles(dir.path);
    EXPECT_EQ(list.displayNames, std::vector<std::string>{"PS_Toon.fx"});
    EXPECT_EQ(list.paths, std::vector<std::string>{(dir.path / "PS_Toon.fx").string()});
    EXPECT_TRUE(ListCustomShaderFiles(dir.path / "nothing").paths.empty());
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
