// The built vornis program, started as users start it on the offscreen video driver, and the
// start screen it draws: its line of text, with and without the picture.
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

// At the asked height, or not at all from data that is no usable font.
TEST(RasterizeLine, DrawsTheTextAtTheAskedHeightAndRefusesDataThatIsNoFont)
{
    const std::optional<platform::SystemFontFile> font = platform::MatchTrueTypeFont("sans-serif");
    ASSERT_TRUE(font);
    const std::string file = ReadWhole(font->path);
    const std::vector<unsigned char> data(file.begin(), file.end());
    const auto line = RasterizeLine(data, font->faceIndex, kStartScreenText, 18.0f);
    ASSERT_TRUE(line);
    EXPECT_GE(line->height, 18);
    EXPECT_LE(line->height, 26);
    EXPECT_GT(line->width, 200);
    EXPECT_LT(line->width, 500);
    EXPECT_EQ(line->coverage.size(), static_cast<size_t>(line->width) * line->height);

    EXPECT_FALSE(RasterizeLine({}, 0, "text", 18));
    EXPECT_FALSE(RasterizeLine(std::vector<unsigned char>(4096, 0xAB), 0, "text", 18));
    EXPECT_FALSE(RasterizeLine({0x00, 0x01, 0x00, 0x00, 0x00}, 0, "text", 18));
    // A font collection that claims many faces but ends after its header.
    EXPECT_FALSE(RasterizeLine({'t', 't', 'c', 'f', 0, 1, 0, 0, 0, 0, 0, 100}, 50, "text", 18));
    EXPECT_FALSE(RasterizeLine(data, font->faceIndex, "text", 0.0f));
    EXPECT_FALSE(RasterizeLine(data, -1, "text", 18));
}

// Pixels other than the grey background in [x0, x1) x [y0, y1).
int Ink(const Picture& picture, int x0, int y0, int x1, int y1)
{
    int ink = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            ink += picture.At(x, y) != kGrey;
    return ink;
}

// The picture centred on grey with the text under its left edge; without the picture the
// text alone, from the centre right and down. Either way the renderer is gone after, so the
// window is free for a GL context of the engine's.
TEST(ShowStartScreen, DrawsThePictureCentredOrTheTextAloneOnGrey)
{
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Window* window = SDL_CreateWindow("start", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                          800, 450, SDL_WINDOW_OPENGL);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    ScratchDirectory folder;
    const std::string picturePath =
        (std::filesystem::path(VORNIS_PROGRAM_PATH).parent_path() / "startscreen.bmp").string();
    ASSERT_TRUE(ShowStartScreen(window, picturePath, (folder / "with.bmp").string()));
    ASSERT_TRUE(ShowStartScreen(window, "/nonexistent.bmp", (folder / "without.bmp").string()));

    const Picture picture = LoadBmp(picturePath);
    const Picture with = LoadBmp(folder / "with.bmp");
    ASSERT_EQ(std::pair(with.width, with.height), std::pair(800, 450));
    ASSERT_GT(picture.width, 0);
    EXPECT_EQ(with.At(0, 0), kGrey);
    EXPECT_EQ(with.At(799, 449), kGrey);
    const int left = 400 - picture.width / 2;
    const int top = 225 - picture.height / 2;
    for (auto [x, y] : {std::pair{0, 0}, std::pair{picture.width / 2, picture.height / 2},
                        std::pair{picture.width - 1, picture.height - 1}})
        EXPECT_EQ(with.At(left + x, top + y), picture.At(x, y)) << x << "," << y;
    EXPECT_GT(Ink(with, left, top + picture.height, left + 200, top + picture.height + 24), 100);

    const Picture without = LoadBmp(folder / "without.bmp");
    ASSERT_EQ(std::pair(without.width, without.height), std::pair(800, 450));
    EXPECT_GT(Ink(without, 0, 0, 800, 450), 100);
    EXPECT_LT(Ink(without, 0, 0, 800, 450), 800 * 450 / 10);
    EXPECT_EQ(Ink(without, 0, 0, 800, 225) + Ink(without, 0, 225, 400, 450), 0);

    SDL_GLContext context = SDL_GL_CreateContext(window);
    EXPECT_NE(context, nullptr) << SDL_GetError();
    if (context)
        SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
}

}  // namespace
}  // namespace host
