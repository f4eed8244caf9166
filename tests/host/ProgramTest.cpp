// The built vornis program, started as users start it on the offscreen video driver, and the
// start screen it draws: the font, the text and a missing picture.
#include <gtest/gtest.h>

#include <SDL.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "StartScreen.h"
#include "TextRaster.h"
#include "platform/SystemFont.h"
#include "support/ScratchDirectory.h"

namespace host {
namespace {

using testing_support::ScratchDirectory;

std::string ReadWhole(const std::filesystem::path& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct ProgramResult {
    int exitCode = -1;  // -1 when it ran out of time or died of a signal
    std::string output, errors;
};

// Runs the program with `environment` ("NAME=value") added to the test's own; kills it after
// `seconds`.
ProgramResult RunVornis(const std::vector<std::string>& arguments,
                        const std::vector<std::string>& environment, int seconds = 60)
{
    ScratchDirectory folder;
    std::string command = "env";
    for (const std::string& entry : environment)
        command += " " + Quote(entry);
    command += " timeout -s KILL " + std::to_string(seconds) + " " + Quote(VORNIS_PROGRAM_PATH);
    for (const std::string& argument : arguments)
        command += " " + Quote(argument);
    command += " >" + Quote(folder / "out") + " 2>" + Quote(folder / "err");
    const int status = std::system(command.c_str());
    ProgramResult result;
    if (WIFEXITED(status) && WEXITSTATUS(status) != 128 + SIGKILL)
        result.exitCode = WEXITSTATUS(status);
    result.output = ReadWhole(folder / "out");
    result.errors = ReadWhole(folder / "err");
    return result;
}

// A BMP file's pixels as 0xRRGGBB, top row first.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> rgb;
    uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

Picture LoadBmp(const std::string& path)
{
    Picture picture;
    SDL_Surface* loaded = SDL_LoadBMP(path.c_str());
    EXPECT_NE(loaded, nullptr) << path << ": " << SDL_GetError();
    if (!loaded)
        return picture;
    SDL_Surface* surface = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(loaded);
    picture.width = surface->w;
    picture.height = surface->h;
    for (int y = 0; y < surface->h; ++y) {
        const Uint8* row = static_cast<const Uint8*>(surface->pixels) + y * surface->pitch;
        for (int x = 0; x < surface->w; ++x)
            picture.rgb.push_back((row[3 * x] << 16) | (row[3 * x + 1] << 8) | row[3 * x + 2]);
    }
    SDL_FreeSurface(surface);
    return picture;
}

constexpr uint32_t kGrey = 0x555555;
const std::string kFrames = "VORNIS_EXIT_AFTER_FRAMES=";

// The engine reports what it cannot load; the host only has to keep running, and passes a
// name that is not UTF-8 on as its bytes.
TEST(Program, OpensAModelNamedOnTheCommandLineAsItsBytes)
{
    const ProgramResult result = RunVornis({"bad\xFF.fbx"}, {kFrames + "3"});
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_EQ(result.errors.find("not valid UTF-8"), std::string::npos) << result.errors;
}

// No frame limit: if any of these opened the window it would never return.
TEST(Program, HelpVersionAndUnknownOptionsExitWithoutAWindow)
{
    const ProgramResult help = RunVornis({"--help"}, {}, 20);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.output.rfind("Usage: vornis [MODEL | --demo]", 0), 0u) << help.output;
    const ProgramResult version = RunVornis({"--version"}, {}, 20);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, "vornis 2.5.0\n");
    const ProgramResult unknown = RunVornis({"--fullscreen"}, {}, 20);
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_EQ(unknown.output, "");
    EXPECT_NE(unknown.errors.find("unknown option: --fullscreen"), std::string::npos);
    EXPECT_NE(unknown.errors.find("Usage: vornis"), std::string::npos);
}

TEST(Program, AMalformedFrameLimitIsIgnored)
{
    // "0" must not mean "stop at once"; the program runs until it is killed.
    EXPECT_EQ(RunVornis({}, {kFrames + "0"}, 3).exitCode, -1);
}

TEST(Program, DrawsTheStartScreenPictureCentredOnGrey)
{
    ScratchDirectory folder;
    const ProgramResult result = RunVornis(
        {}, {kFrames + "1", "VORNIS_STARTSCREEN_CAPTURE=" + (folder / "start.bmp").string()});
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    const Picture shot = LoadBmp(folder / "start.bmp");
    const Picture expected =
        LoadBmp(std::filesystem::path(VORNIS_PROGRAM_PATH).parent_path() / "startscreen.bmp");
    ASSERT_EQ(std::pair(shot.width, shot.height), std::pair(1600, 900));
    ASSERT_GT(expected.width, 0);
    EXPECT_EQ(shot.At(0, 0), kGrey);
    EXPECT_EQ(shot.At(1599, 899), kGrey);
    const int left = shot.width / 2 - expected.width / 2;
    const int top = shot.height / 2 - expected.height / 2;
    for (auto [x, y] : {std::pair{0, 0}, std::pair{expected.width / 2, expected.height / 2},
                        std::pair{expected.width - 1, expected.height - 1}})
        EXPECT_EQ(shot.At(left + x, top + y), expected.At(x, y)) << x << "," << y;

    // The line of text sits under the picture's left edge.
    int ink = 0;
    for (int y = top + expected.height; y < top + expected.height + 24; ++y)
        for (int x = left; x < left + 200; ++x)
            ink += shot.At(x, y) != kGrey;
    EXPECT_GT(ink, 100);
}

std::vector<unsigned char> SansSerifFont(int* faceIndex = nullptr)
{
    const std::optional<platform::SystemFontFile> font = platform::MatchTrueTypeFont("sans-serif");
    EXPECT_TRUE(font);
    if (!font)
        return {};
    if (faceIndex)
        *faceIndex = font->faceIndex;
    const std::string data = ReadWhole(font->path);
    return {data.begin(), data.end()};
}

TEST(RasterizeLine, DrawsTheTextAtTheAskedHeight)
{
    int face = 0;
    const std::vector<unsigned char> data = SansSerifFont(&face);
    const auto line = RasterizeLine(data, face, kStartScreenText, 18.0f);
    ASSERT_TRUE(line);
    EXPECT_GE(line->height, 18);
    EXPECT_LE(line->height, 26);
    EXPECT_GT(line->width, 200);
    EXPECT_LT(line->width, 500);
    ASSERT_EQ(line->coverage.size(), static_cast<size_t>(line->width) * line->height);
    // Ink spread over the whole line, not one blot: most columns between letters carry some.
    int inkedColumns = 0;
    for (int x = 0; x < line->width; ++x) {
        bool inked = false;
        for (int y = 0; y < line->height; ++y)
            inked = inked || line->coverage[static_cast<size_t>(y) * line->width + x] > 128;
        inkedColumns += inked;
    }
    EXPECT_GT(inkedColumns, line->width / 3);
}

TEST(RasterizeLine, RefusesDataThatIsNoFont)
{
    EXPECT_FALSE(RasterizeLine({}, 0, "text", 18));
    EXPECT_FALSE(RasterizeLine(std::vector<unsigned char>(4096, 0xAB), 0, "text", 18));
    EXPECT_FALSE(RasterizeLine({0x00, 0x01, 0x00, 0x00, 0x00}, 0, "text", 18));
    // A font collection that claims many faces but ends after its header.
    EXPECT_FALSE(RasterizeLine({'t', 't', 'c', 'f', 0, 1, 0, 0, 0, 0, 0, 100}, 50, "text", 18));
    const std::vector<unsigned char> data = SansSerifFont();
    EXPECT_FALSE(RasterizeLine(data, 0, "text", 0.0f));
    EXPECT_FALSE(RasterizeLine(data, -1, "text", 18));
}

TEST(ShowStartScreen, WithoutThePictureShowsBackgroundAndText)
{
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Window* window = SDL_CreateWindow("start", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                          400, 200, SDL_WINDOW_OPENGL);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    ScratchDirectory folder;
    ASSERT_TRUE(
        ShowStartScreen(window, "/nonexistent/startscreen.bmp", (folder / "start.bmp").string()));
    const Picture shot = LoadBmp(folder / "start.bmp");
    // Text only, starting at the centre and running right and down from it.
    int grey = 0, other = 0, otherAboveCentre = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const bool isGrey = shot.At(x, y) == kGrey;
            grey += isGrey;
            other += !isGrey;
            otherAboveCentre += !isGrey && (y < shot.height / 2 || x < shot.width / 2);
        }
    }
    EXPECT_GT(other, 100);
    EXPECT_EQ(otherAboveCentre, 0);
    EXPECT_GT(grey, shot.width * shot.height * 9 / 10);

    // The renderer is gone: the window is free for a GL context of the engine's.
    SDL_GLContext context = SDL_GL_CreateContext(window);
    EXPECT_NE(context, nullptr) << SDL_GetError();
    if (context)
        SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
}

}  // namespace
}  // namespace host
