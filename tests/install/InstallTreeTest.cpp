// The install tree, moved away from where it was installed: what it holds, that nothing in
// it points back at the build, that its programs run from anywhere; and the Debian package
// made of it, as dpkg-deb shows it.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "InstallTestSupport.h"

namespace install_test {
namespace {

const std::string kLibDir = VORNIS_INSTALL_LIBDIR;
const fs::path kRealModel = "/usr/share/assimp/models/FBX/spider.fbx";

TEST(InstallTree, HoldsTheProgramsTheLibraryTheDataAndTheDesktopFiles)
{
    ASSERT_TRUE(fs::is_directory(Tree())) << "no tree at " << Tree();
    // What the other cases here do not already start, render or validate.
    for (const std::string& relative :
         {std::string("bin/vornis"), std::string("bin/vornis-snap"),
          kLibDir + "/libvornis_engine.so", kLibDir + "/vornis/vornis-import-worker",
          kLibDir + "/vornis/vornis-shader-worker",
          std::string("share/vornis/shaders/lineshader.fx"),
          std::string("share/vornis/arrow/arrow.fbx"),
          std::string("share/vornis/lightmesh/lightmesh.fbx"),
          std::string("share/vornis/Skyboxtextures/sky_daylight.dds"),
          std::string("share/vornis/startscreen.bmp")})
        EXPECT_TRUE(fs::is_regular_file(Tree() / relative)) << relative;

    // Each icon is drawn at the size its folder names.
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        const std::optional<Picture> icon =
            ReadPicture(Tree() / "share/icons/hicolor" / name / "apps/vornis.png");
        ASSERT_TRUE(icon) << name;
        EXPECT_EQ(icon->width, size);
        EXPECT_EQ(icon->height, size);
    }
}

TEST(InstallTree, NoFileNamesTheBuildTreeAndOnlyItsOwnLibraryFolderIsSearched)
{
    const std::string buildTree = VORNIS_BUILD_DIR;
    int programs = 0;
    for (const auto& entry : fs::recursive_directory_iterator(Tree())) {
        if (!entry.is_regular_file() || entry.is_symlink())
            continue;
        const std::string bytes = ReadText(entry.path());
        EXPECT_EQ(bytes.find(buildTree), std::string::npos) << entry.path();
        if (bytes.rfind("\177ELF", 0) != 0)
            continue;
        const CommandResult dynamic = RunShell("readelf -d " + Quote(entry.path()));
        ASSERT_EQ(dynamic.exitCode, 0) << dynamic.output;
        EXPECT_EQ(dynamic.output.find("(RPATH)"), std::string::npos) << entry.path();
        std::smatch runpath;
        const bool hasRunpath = std::regex_search(
            dynamic.output, runpath, std::regex(R"(\(RUNPATH\)\s+Library runpath: \[(.*)\])"));
        if (entry.path().filename() == "vornis") {
            ++programs;
            ASSERT_TRUE(hasRunpath) << dynamic.output;
            EXPECT_NE(dynamic.output.find("[libvornis_engine.so]"), std::string::npos);
        }
        EXPECT_TRUE(!hasRunpath || runpath[1] == "$ORIGIN/../" + kLibDir) << dynamic.output;
    }
    EXPECT_EQ(programs, 1);
}

// From another working directory, a batch: one picture per model, named after it; a broken
// file is named and skipped, and the exit status says that one failed.
TEST(InstallTree, TheMovedSnapRendersABatchOfRealModelsAndSkipsAFailedFile)
{
    const fs::path box = kRealModel.parent_path() / "box.fbx";
    if (!fs::exists(kRealModel) || !fs::exists(box))
        GTEST_SKIP() << "assimp-testmodels is not installed";
    ScratchDirectory work;
    work.Write("broken.fbx", "; not an FBX file\n");
    // A second box.fbx would overwrite the first one's picture: it is refused instead.
    fs::create_directories(work.path / "other");
    fs::copy_file(box, work.path / "other/box.fbx");
    const CommandResult run =
        RunInTree(work.path, "vornis-snap " + Quote(kRealModel) + " broken.fbx " + Quote(box) +
                                 " other/box.fbx -o pictures/ --size 160x120 --no-sky");
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("vornis-snap: broken.fbx: "), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("vornis-snap: other/box.fbx: pictures/box.png is the picture of "
                              "an earlier model"),
              std::string::npos)
        << run.output;
    EXPECT_FALSE(fs::exists(work.path / "pictures/broken.png"));
    for (const char* name : {"spider.png", "box.png"}) {
        const std::optional<Picture> picture = ReadPicture(work.path / "pictures" / name);
        ASSERT_TRUE(picture) << name;
        ASSERT_EQ(std::pair(picture->width, picture->height), std::pair(160, 120));
        EXPECT_NE(run.output.find(std::string("pictures/") + name), std::string::npos);
        // The model covers a good part of the picture; the background is one colour.
        const uint8_t* background = picture->At(0, 0);
        int covered = 0;
        for (int y = 0; y < picture->height; ++y)
            for (int x = 0; x < picture->width; ++x)
                covered += !std::equal(background, background + 3, picture->At(x, y));
        EXPECT_GT(covered, picture->width * picture->height / 20) << name;
    }
}

TEST(InstallTree, TheMovedViewerStartsAndShowsTheDemoModel)
{
    ScratchDirectory work;
    const CommandResult run =
        RunInTree(work.path,
                  "VORNIS_EXIT_AFTER_FRAMES=60 VORNIS_SCREENSHOT_AT_EXIT=320x180 "
                  "VORNIS_STARTSCREEN_CAPTURE=start.bmp timeout 240 vornis --demo");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output.find("not found"), std::string::npos) << run.output;

    // The start screen came from the tree's data: the picture sits in the middle.
    const std::optional<Picture> start = ReadPicture(work.path / "start.bmp");
    const std::optional<Picture> picture = ReadPicture(Tree() / "share/vornis/startscreen.bmp");
    ASSERT_TRUE(start && picture);
    const uint8_t* centre = start->At(start->width / 2, start->height / 2);
    EXPECT_TRUE(
        std::equal(centre, centre + 3, picture->At(picture->width / 2, picture->height / 2)));

    std::optional<Picture> shot;
    for (const auto& entry : fs::directory_iterator(work.path))
        if (entry.path().filename().string().rfind("screenshot_", 0) == 0)
            shot = ReadRgbaDds(entry.path());
    ASSERT_TRUE(shot) << "no screenshot in " << work.path;
    ASSERT_EQ(shot->width, 320);
    // After 60 frames the camera is well on its way to framing the demo: its stage and
    // spheres cover a fair part of the picture (nothing else is drawn into a screenshot),
    // the plastic spheres red, the metal ones gold.
    int covered = 0, red = 0, gold = 0;
    for (int y = 0; y < shot->height; ++y)
        for (int x = 0; x < shot->width; ++x) {
            const uint8_t* p = shot->At(x, y);
            covered += p[3] > 0;
            red += p[0] > 2 * p[1] + 30 && p[0] > 2 * p[2] + 30;
            gold += p[0] > p[2] + 40 && p[1] > p[2] + 20;
        }
    EXPECT_GT(covered, shot->width * shot->height / 40);
    EXPECT_GT(red, 200);
    EXPECT_GT(gold, 150);
}

TEST(InstallTree, CopiedShadersComeFirstAndAreNeverOverwritten)
{
    ScratchDirectory home;
    const fs::path folder = home.path / ".local/share/vornis/shaders";
    const CommandResult first = RunInTree(home.path, "vornis --copy-shaders");
    ASSERT_EQ(first.exitCode, 0) << first.output;
    EXPECT_NE(first.output.find(folder.string()), std::string::npos) << first.output;
    EXPECT_EQ(ReadText(folder / "VertexShaders.fx"),
              ReadText(Tree() / "share/vornis/shaders/VertexShaders.fx"));

    // The user's fullscreen pass paints everything magenta.
    std::string source = ReadText(folder / "PS_PixelShaders.fx");
    const std::string shown = "return float4(pow(mapped, 1.0 / DisplayGamma), 1.0);";
    const size_t at = source.find(shown);
    ASSERT_NE(at, std::string::npos) << "the fullscreen pass changed: update this test";
    source.replace(at, shown.size(), "return float4(1.0, 0.0, 1.0, 1.0);");
    std::ofstream(folder / "PS_PixelShaders.fx", std::ios::binary) << source;

    const CommandResult again = RunInTree(home.path, "vornis --copy-shaders");
    ASSERT_EQ(again.exitCode, 0) << again.output;
    EXPECT_EQ(ReadText(folder / "PS_PixelShaders.fx"), source);

    const CommandResult snap =
        RunInTree(home.path, "vornis-snap " + Quote(Tree() / "share/vornis/demo/spheres.fbx") +
                                 " -o out.png --size 32");
    ASSERT_EQ(snap.exitCode, 0) << snap.output;
    const std::optional<Picture> picture = ReadPicture(home.path / "out.png");
    ASSERT_TRUE(picture);
    EXPECT_EQ(std::vector<uint8_t>(picture->At(16, 16), picture->At(16, 16) + 3),
              (std::vector<uint8_t>{255, 0, 255}));
}

// Named for Debian, the whole tree under /usr, and the libraries its programs link (plus the
// OpenGL libraries opened at run time) as dependencies.
TEST(Package, HoldsTheWholeTreeUnderUsrAndDependsOnWhatItLinks)
{
    ASSERT_FALSE(Package().empty()) << "no package was built";
    EXPECT_EQ(Package().filename(), std::string("vornis_") + VORNIS_VERSION + "_amd64.deb");
    const CommandResult contents = RunShell("dpkg-deb --contents " + Quote(Package()));
    ASSERT_EQ(contents.exitCode, 0) << contents.output;
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(Tree())) {
        if (!entry.is_regular_file())
            continue;
        ++files;
        const std::string listed = " ./usr/" + entry.path().lexically_relative(Tree()).string();
        EXPECT_NE(contents.output.find(listed + "\n"), std::string::npos) << listed;
    }
    EXPECT_GT(files, 30);

    const CommandResult fields =
        RunShell("dpkg-deb --field " + Quote(Package()) + " Package Version Architecture Depends");
    ASSERT_EQ(fields.exitCode, 0) << fields.output;
    for (const std::string& expected :
         {std::string("Package: vornis\n"), std::string("Version: ") + VORNIS_VERSION + "\n",
          std::string("Architecture: amd64\n"), std::string("libc6"), std::string("libstdc++6"),
          std::string("libsdl2-2.0-0"), std::string("libassimp5"), std::string("libepoxy0"),
          std::string("libgl1")})
        EXPECT_NE(fields.output.find(expected), std::string::npos) << fields.output;
}

}  // namespace
}  // namespace install_test
