// Which user files are offered and how a choice reaches the engine.
#include <gtest/gtest.h>

#include <algorithm>

#include "ShaderTestSupport.h"
#include "ui/CustomShaderChoice.h"

namespace {

TEST(ListCustomShaderFiles, OffersOnlyFilesNamedWithThePrefix)
{
    ScratchDirectory dir;
    dir.Write("PS_Toon.fx", "");
    dir.Write("ToonPS.hlsl", "");
    dir.Write("VertexShaders.fx", "");
    dir.Write("ps_lower.fx", "");
    std::filesystem::create_directories(dir.path / "PS_folder");
    CustomShaderList list = ListCustomShaderFiles(dir.path);
    ASSERT_EQ(list.displayNames, std::vector<std::string>{"PS_Toon.fx"});
    EXPECT_EQ(list.paths, std::vector<std::string>{(dir.path / "PS_Toon.fx").string()});
}

TEST(ListCustomShaderFiles, AMissingDirectoryGivesAnEmptyList)
{
    ScratchDirectory dir;
    CustomShaderList list = ListCustomShaderFiles(dir.path / "nothing");
    EXPECT_TRUE(list.displayNames.empty());
    EXPECT_TRUE(list.paths.empty());
}

TEST(ListCustomShaderFiles, OffersTheEnginesOwnPixelShaderFile)
{
    CustomShaderList list = ListCustomShaderFiles();
    auto found =
        std::find(list.displayNames.begin(), list.displayNames.end(), "PS_PixelShaders.fx");
    ASSERT_NE(found, list.displayNames.end());
    // Paths are absolute, so the compiler uses them as given.
    EXPECT_EQ(list.paths[found - list.displayNames.begin()].front(), '/');
}

TEST(CustomShaderChoice, AChosenFileIsStoredAndRebuildsOnce)
{
    CreateEngineObject();
    CustomShaderList list{{"PS_A.fx", "PS_B.fx"}, {"/s/PS_A.fx", "/s/PS_B.fx"}};
    int rebuilds = 0;
    SetCustomShaderFile(*GetEngine(), list, 1, [&] { ++rebuilds; });
    EXPECT_EQ(GetEngine()->customPixelShaderFile, "/s/PS_B.fx");
    EXPECT_EQ(rebuilds, 1);
    SetCustomShaderFile(*GetEngine(), list, 2, [&] { ++rebuilds; });
    EXPECT_EQ(GetEngine()->customPixelShaderFile, "/s/PS_B.fx");
    EXPECT_EQ(rebuilds, 1);
}

}  // namespace
