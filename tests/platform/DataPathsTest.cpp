// Where run-time data is found: the build tree's layout, an installed tree with the user's
// shader folder in front, and the copy that fills that folder.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/Paths.h"
#include "platform/UserShaders.h"
#include "shaders/CustomShaderFiles.h"
#include "support/ScratchDirectory.h"

namespace {

namespace fs = std::filesystem;
using platform::DataLayout;
using platform::MakeDataLayout;
using platform::ResolveDataPath;

// Folders of files whose content does not matter.
struct Scratch : testing_support::ScratchDirectory {
    fs::path Write(const std::string& name, const std::string& text = "x") const
    {
        return ScratchDirectory::Write(name, text);
    }
};

TEST(DataLayout, ABuildTreeUsesOnlyWhatLiesBesideTheProgram)
{
    Scratch tree;
    tree.Write("bin/shaders/VertexShaders.fx");
    tree.Write("share/vornis/shaders/VertexShaders.fx");  // a stray share/ changes nothing
    const DataLayout layout = MakeDataLayout(tree.path / "bin", "/xdg", "/home/u");
    EXPECT_TRUE(layout.userShaderDirectory.empty());
    EXPECT_EQ(ResolveDataPath(layout, "shaders\\VertexShaders.fx"),
              tree.path / "bin/shaders/VertexShaders.fx");
    EXPECT_EQ(ResolveDataPath(layout, "/elsewhere/a.fx"), "/elsewhere/a.fx");
    // A user's path keeps its bytes: on Linux a backslash belongs to the name.
    EXPECT_EQ(ResolveDataPath(layout, "/else\\where/a.fx").native(), "/else\\where/a.fx");
    // There is no user folder to copy the shaders to.
    const UserShaderCopy copy = CopyShadersToUserFolder(layout);
    EXPECT_EQ(copy.error, "");
    EXPECT_EQ(copy.folder, tree.path / "bin/shaders");
    EXPECT_TRUE(copy.copied.empty() && copy.kept.empty());
}

TEST(DataLayout, AnInstalledTreeLooksInTheUsersShaderFolderFirst)
{
    Scratch tree;
    tree.Write("share/vornis/shaders/VertexShaders.fx");
    tree.Write("share/vornis/shaders/PS_PixelShaders.fx");
    tree.Write("share/vornis/xyz/xyz.fbx");
    fs::create_directories(tree.path / "bin");

    // XDG_DATA_HOME when absolute, else ~/.local/share, else no user folder.
    const struct {
        const char* xdg;
        const char* home;
        fs::path expected;
    } homes[] = {{"/xdg", "/home/u", "/xdg/vornis/shaders"},
                 {"relative", "/home/u", "/home/u/.local/share/vornis/shaders"},
                 {nullptr, "/home/u", "/home/u/.local/share/vornis/shaders"},
                 {nullptr, nullptr, ""}};
    for (const auto& home : homes)
        EXPECT_EQ(MakeDataLayout(tree.path / "bin", home.xdg, home.home).userShaderDirectory,
                  home.expected);

    const fs::path user = tree.path / "user";
    const DataLayout layout = MakeDataLayout(tree.path / "bin", user.c_str(), nullptr);
    EXPECT_EQ(platform::DataPathCandidates(layout, "shaders/a.fx"),
              (std::vector<fs::path>{user / "vornis/shaders/a.fx", tree.path / "bin/shaders/a.fx",
                                     tree.path / "share/vornis/shaders/a.fx"}));
    EXPECT_EQ(ResolveDataPath(layout, "xyz/xyz.fbx"), tree.path / "share/vornis/xyz/xyz.fbx");
    EXPECT_EQ(ResolveDataPath(layout, "shaders/VertexShaders.fx"),
              tree.path / "share/vornis/shaders/VertexShaders.fx");
    EXPECT_EQ(ResolveDataPath(layout, "missing/x.dds"), tree.path / "bin/missing/x.dds");
    // The user's copy wins (--copy-shaders, which makes it, is followed in the install tests).
    tree.Write("user/vornis/shaders/VertexShaders.fx");
    EXPECT_EQ(ResolveDataPath(layout, "shaders/VertexShaders.fx"),
              user / "vornis/shaders/VertexShaders.fx");
}

TEST(DataLayout, AUserShaderIncludesWhatTheUserNeverCopiedFromTheInstalledShaders)
{
    Scratch tree;
    tree.Write("share/vornis/shaders/ShaderStructs.fx");
    tree.Write("share/vornis/shaders/PS_Installed.fx");
    fs::create_directories(tree.path / "bin");
    const fs::path user = tree.path / "user/vornis/shaders";
    const fs::path mine = tree.Write("user/vornis/shaders/PS_Mine.fx");
    const DataLayout layout = MakeDataLayout(tree.path / "bin", (tree.path / "user").c_str(), "");

    EXPECT_EQ(platform::ResolveShaderInclude(layout, mine, "ShaderStructs.fx"),
              tree.path / "share/vornis/shaders/ShaderStructs.fx");
    tree.Write("user/vornis/shaders/ShaderStructs.fx");
    EXPECT_EQ(platform::ResolveShaderInclude(layout, mine, "ShaderStructs.fx"),
              user / "ShaderStructs.fx");
    // Files elsewhere include only what lies beside them.
    EXPECT_EQ(platform::ResolveShaderInclude(layout, tree.path / "x/a.fx", "ShaderStructs.fx"),
              tree.path / "x/ShaderStructs.fx");

    // The shader-file panel offers the user's files, then installed ones of other names; only
    // regular files named with the prefix, exactly.
    tree.Write("user/vornis/shaders/PS_Installed.fx");
    for (const char* other : {"ToonPS.hlsl", "ps_lower.fx", "PS_folder/x.fx"})
        tree.Write(std::string("user/vornis/shaders/") + other);
    tree.Write("share/vornis/shaders/PS_Other.fx");
    CustomShaderList list = ListCustomShaderFiles(platform::ShaderDirectories(layout));
    std::sort(list.paths.begin(), list.paths.end());
    EXPECT_EQ(list.paths,
              (std::vector<std::string>{(tree.path / "share/vornis/shaders/PS_Other.fx").string(),
                                        (user / "PS_Installed.fx").string(),
                                        (user / "PS_Mine.fx").string()}));
}

// Which sky comes first, and which of two matching textures wins, must not depend on the
// order a file system happens to list a folder in.
TEST(ListFiles, VisibleRegularFilesSortedByName)
{
    Scratch folder;
    for (const char* name : {"studio.dds", "Zebra.dds", "sky.dds", ".hidden.dds", "a.dds/x"})
        folder.Write(name);
    EXPECT_EQ(platform::ListFiles(folder.path),
              (std::vector<fs::path>{folder.path / "Zebra.dds", folder.path / "sky.dds",
                                     folder.path / "studio.dds"}));
    EXPECT_TRUE(platform::ListFiles(folder.path / "missing").empty());
}

}  // namespace
