// vornis-snap's captures: a turntable comes back to where it started after a full turn, and
// a clip capture's frames are the poses that --time pictures show at the same times.
#include <gtest/gtest.h>

#include <cstdlib>
#include <numbers>

#include "SnapRenderer.h"
#include "api/tool/ToolAccess.h"
#include "support/ReferenceImage.h"
#include "support/ScratchDirectory.h"

namespace {

namespace fs = std::filesystem;

const fs::path kSkinnedFigure = fs::path(VORNIS_FIXTURES_DIR) / "blender/skinned_figure.fbx";

std::vector<uint8_t> ReadPng(const fs::path& path)
{
    int width = 0, height = 0;
    return testing_support::ReadPngRgba(path.string(), width, height);
}

int LargestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    if (a.size() != b.size() || a.empty())
        return 256;
    int largest = 0;
    for (size_t i = 0; i < a.size(); ++i)
        largest = std::max(largest, std::abs(a[i] - b[i]));
    return largest;
}

tool::Pixels Frame()
{
    tool::RenderPicture();
    tool::Pixels pixels;
    EXPECT_TRUE(tool::ReadBackBuffer(pixels));
    return pixels;
}

}  // namespace

TEST(SnapCapture, ATurntableOfEightComesBackToItsFirstFrame)
{
    SnapOptions options;
    options.outputPath = "unused.png";
    options.width = 160;
    options.height = 120;
    SnapSession session(options);
    std::string error;
    SnapImage image;
    ASSERT_TRUE(session.Start(error) && session.Render("demo/spheres.fbx", image, error)) << error;
    tool::FrameTurntable(45, 0.06f, 8);
    const tool::Pixels first = Frame();
    std::vector<std::vector<uint8_t>> frames;
    for (int frame = 1; frame <= 8; ++frame) {
        tool::TurnCameraAboutModel(2.0f * std::numbers::pi_v<float> / 8);
        frames.push_back(Frame().rgba);
    }
    EXPECT_LE(LargestDifference(first.rgba, frames[7]), 8) << "frame 8 is frame 0";
    EXPECT_GT(LargestDifference(first.rgba, frames[3]), 64) << "frame 4 looks from behind";
}

TEST(SnapCapture, AClipAtTenFramesASecondPosesAsTimePicturesDo)
{
    const testing_support::ScratchDirectory dir;
    // Framed as the viewer frames (--frame largest): whole-model framing follows the pose,
    // and would move a --time picture's camera, not its figure.
    const std::string snap =
        "./vornis-snap " + kSkinnedFigure.string() + " --size 120x90 --frame largest -o ";
    ASSERT_EQ(
        std::system((snap + (dir / "clip/").string() + " --clip 1 --fps 10 2>/dev/null").c_str()),
        0);
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir / "clip"))
        ++count;
    EXPECT_EQ(count, 10);
    for (int frame : {0, 3, 7}) {
        const fs::path picture = dir / ("time" + std::to_string(frame) + ".png");
        const std::string time = "0." + std::to_string(frame);
        ASSERT_EQ(std::system((snap + picture.string() + " --time " + time).c_str()), 0);
        char name[16];
        std::snprintf(name, sizeof name, "%05d.png", frame);
        EXPECT_LE(LargestDifference(ReadPng(dir / "clip" / name), ReadPng(picture)), 8)
            << "frame " << frame;
    }
    EXPECT_GT(LargestDifference(ReadPng(dir / "clip/00000.png"), ReadPng(dir / "clip/00005.png")),
              32)
        << "the figure moves";
}

// The camera of a clip capture stays put and fits every pose: a bending figure never
// touches the picture's border (transparent where nothing is drawn).
TEST(SnapCapture, AClipCaptureKeepsEveryPoseInsideThePicture)
{
    const testing_support::ScratchDirectory dir;
    const std::string snap =
        "./vornis-snap /usr/share/assimp/models/FBX/huesitos.fbx --size 96x72 --transparent "
        "--clip 2 --fps 5 -o " +
        (dir / "clip/").string() + " 2>/dev/null";
    ASSERT_EQ(std::system(snap.c_str()), 0);
    for (int frame = 0; frame < 10; ++frame) {
        char name[16];
        std::snprintf(name, sizeof name, "%05d.png", frame);
        const std::vector<uint8_t> rgba = ReadPng(dir / "clip" / name);
        ASSERT_EQ(rgba.size(), 96u * 72 * 4);
        int covered = 0;
        for (int y = 0; y < 72; ++y)
            for (int x = 0; x < 96; ++x)
                if (x == 0 || y == 0 || x == 95 || y == 71)
                    covered += rgba[(static_cast<size_t>(y) * 96 + x) * 4 + 3] != 0;
        EXPECT_EQ(covered, 0) << "frame " << frame;
    }
}
