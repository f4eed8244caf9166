// The viewer's PNG screenshots: F12 saves the frame without the interface at the window's
// size into the pictures folder the user-dirs file names, and never writes through a link
// planted under the file's name.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "api/Engine.h"
#include "api/tool/ToolAccess.h"
#include "scene/Scene.h"
#include "support/EngineWindow.h"
#include "support/ReferenceImage.h"
#include "support/ScratchDirectory.h"
#include "textures/PngScreenshot.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadPng(const fs::path& path, int& width, int& height)
{
    return testing_support::ReadPngRgba(path.string(), width, height);
}

void PressF12()
{
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.scancode = SDL_SCANCODE_F12;
    SendProcToNative(0, event.type, 0, reinterpret_cast<int64_t>(&event));
}

}  // namespace

TEST(PngScreenshot, F12SavesTheViewWithoutTheInterfaceInThePicturesFolder)
{
    const testing_support::ScratchDirectory dir;
    fs::create_directories(dir / "config");
    fs::create_directories(dir / "Bilder");
    std::ofstream(dir / "config/user-dirs.dirs")
        << "# written by xdg-user-dirs-update\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
    setenv("HOME", dir.path.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);

    ASSERT_EQ(testing_support::StartEngine(160, 90), 0);
    ResizeEngine(160, 90);
    LoadModel("demo/spheres.fbx");
    ASSERT_TRUE(tool::WaitForModel(std::chrono::seconds(60)));
    Present();
    PressF12();
    Present();  // the interface is drawn too, over the window

    std::vector<fs::path> saved;
    for (const auto& entry : fs::directory_iterator(dir / "Bilder"))
        saved.push_back(entry.path());
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_TRUE(saved[0].filename().string().starts_with("spheres-"));
    int width = 0, height = 0;
    const std::vector<uint8_t> png = ReadPng(saved[0], width, height);
    EXPECT_EQ(std::pair(width, height), std::pair(160, 90));
    // The frame the capture drew: the back buffer, which the interface never touches.
    tool::Pixels frame;
    ASSERT_TRUE(tool::ReadBackBuffer(frame));
    EXPECT_TRUE(png == frame.rgba);
    bool logged = false;
    for (const auto& entry : GetEngine()->scene->log.EntriesFrom(0))
        logged |= entry.text == "Screenshot saved to: " + saved[0].string();
    EXPECT_TRUE(logged);
}

TEST(PngScreenshot, ANameTakenByALinkIsNeverWrittenThrough)
{
    const testing_support::ScratchDirectory dir;
    const fs::path target = dir.Write("precious.txt", "keep me");
    fs::create_symlink(target, dir / "model-2026-12-07-23-14-40.png");
    fs::create_symlink(dir / "nowhere", dir / "model-2026-12-07-23-14-40-2.png");
    std::string error;
    const std::vector<uint8_t> rgba(2 * 2 * 4, 200);
    const fs::path written =
        WriteNewPng(dir.path, "model-2026-12-07-23-14-40.png", 2, 2, rgba, error);
    EXPECT_EQ(written, dir / "model-2026-12-07-23-14-40-3.png") << error;
    std::ifstream in(target);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep me");
    EXPECT_FALSE(fs::exists(dir / "nowhere"));
    std::tm time{};
    time.tm_year = 126, time.tm_mon = 11, time.tm_mday = 7, time.tm_hour = 9, time.tm_min = 4;
    EXPECT_EQ(PngScreenshotName("/a/b/model.fbx", time), "model-2026-12-07-09-04-00.png");
    EXPECT_EQ(PngScreenshotName("", time), "vornis-2026-12-07-09-04-00.png");
}
