// The built vornis program, started as users start it, on the offscreen video driver.
#include <gtest/gtest.h>

#include <SDL.h>

#include <unistd.h>

#include <filesystem>

#include "ProgramRunner.h"

namespace host_test {
namespace {

const std::string kFrames = "VORNIS_EXIT_AFTER_FRAMES=";

TEST(Program, RunsABoundedNumberOfFramesAndExitsWithZero)
{
    const ProgramResult result = RunVornis({}, {kFrames + "3"});
    EXPECT_EQ(result.exitCode, 0) << result.errors;
}

TEST(Program, OpensAModelNamedOnTheCommandLine)
{
    // The engine reports what it cannot load; the host only has to keep running.
    const ProgramResult result = RunVornis({"no-such-model.fbx"}, {kFrames + "3"});
    EXPECT_EQ(result.exitCode, 0) << result.errors;
}

TEST(Program, PassesAModelNameThatIsNotUtf8OnAsItsBytes)
{
    const ProgramResult result = RunVornis({"bad\xFF.fbx"}, {kFrames + "3"});
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_EQ(result.errors.find("not valid UTF-8"), std::string::npos) << result.errors;
}

TEST(Program, HelpAndVersionPrintAndExitWithoutAWindow)
{
    // No frame limit: if either opened the window it would never return.
    const ProgramResult help = RunVornis({"--help"}, {}, 20);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.output.rfind("Usage: vornis [MODEL | --demo]", 0), 0u) << help.output;

    const ProgramResult version = RunVornis({"--version"}, {}, 20);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, "vornis 2.5.0\n");
}

TEST(Program, AnUnknownOptionPrintsUsageAndExitsWithTwo)
{
    const ProgramResult result = RunVornis({"--fullscreen"}, {}, 20);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.output.empty());
    EXPECT_NE(result.errors.find("unknown option: --fullscreen"), std::string::npos);
    EXPECT_NE(result.errors.find("Usage: vornis"), std::string::npos);
}

TEST(Program, AMalformedFrameLimitIsIgnored)
{
    // "0" must not mean "stop at once"; the program runs until it is killed.
    const ProgramResult result = RunVornis({}, {kFrames + "0"}, 3);
    EXPECT_EQ(result.exitCode, -1);
}

TEST(Program, DrawsTheStartScreenPictureCentredOnGrey)
{
    const std::filesystem::path capture =
        std::filesystem::temp_directory_path() /
        ("vornis-host-startscreen-" + std::to_string(getpid()) + ".bmp");
    std::filesystem::remove(capture);
    const ProgramResult result =
        RunVornis({}, {kFrames + "1", "VORNIS_STARTSCREEN_CAPTURE=" + capture.string()});
    ASSERT_EQ(result.exitCode, 0) << result.errors;

    SDL_Surface* loaded = SDL_LoadBMP(capture.string().c_str());
    ASSERT_NE(loaded, nullptr) << SDL_GetError();
    SDL_Surface* shot = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(loaded);
    SDL_Surface* picture = SDL_LoadBMP(
        (std::filesystem::path(ProgramPath()).parent_path() / "startscreen.bmp").string().c_str());
    ASSERT_NE(picture, nullptr) << SDL_GetError();
    SDL_Surface* expected = SDL_ConvertSurfaceFormat(picture, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(picture);

    auto pixel = [](SDL_Surface* surface, int x, int y) {
        const Uint8* p = static_cast<const Uint8*>(surface->pixels) + y * surface->pitch + x * 3;
        return (p[0] << 16) | (p[1] << 8) | p[2];
    };
    EXPECT_EQ(shot->w, 1600);
    EXPECT_EQ(shot->h, 900);
    EXPECT_EQ(pixel(shot, 0, 0), 0x555555);
    EXPECT_EQ(pixel(shot, 1599, 899), 0x555555);
    const int left = shot->w / 2 - expected->w / 2;
    const int top = shot->h / 2 - expected->h / 2;
    for (auto [x, y] : {std::pair{0, 0}, std::pair{expected->w / 2, expected->h / 2},
                        std::pair{expected->w - 1, expected->h - 1}})
        EXPECT_EQ(pixel(shot, left + x, top + y), pixel(expected, x, y)) << x << "," << y;

    // The line of text sits under the picture's left edge: some light ink, nothing else.
    int ink = 0;
    for (int y = top + expected->h; y < top + expected->h + 24; ++y)
        for (int x = left; x < left + 200; ++x)
            ink += pixel(shot, x, y) != 0x555555;
    EXPECT_GT(ink, 100);
    SDL_FreeSurface(shot);
    SDL_FreeSurface(expected);
    std::filesystem::remove(capture);
}

}  // namespace
}  // namespace host_test
