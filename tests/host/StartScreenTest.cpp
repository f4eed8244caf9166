// Drawing the start screen: the font, the text and a missing picture.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "StartScreen.h"
#include "TextRaster.h"
#include "platform/SystemFont.h"

namespace host {
namespace {

std::vector<unsigned char> ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

int InkedColumns(const TextImage& image)
{
    int columns = 0;
    for (int x = 0; x < image.width; ++x) {
        for (int y = 0; y < image.height; ++y) {
            if (image.coverage[static_cast<size_t>(y) * image.width + x] > 128) {
                ++columns;
                break;
            }
        }
    }
    return columns;
}

TEST(MatchTrueTypeFont, FindsAReadableSansSerifFile)
{
    const std::optional<platform::SystemFontFile> font = platform::MatchTrueTypeFont("sans-serif");
    ASSERT_TRUE(font);
    EXPECT_FALSE(ReadFile(font->path).empty()) << font->path;
}

TEST(RasterizeLine, DrawsTheTextAtTheAskedHeight)
{
    const std::optional<platform::SystemFontFile> font = platform::MatchTrueTypeFont("sans-serif");
    ASSERT_TRUE(font);
    const std::vector<unsigned char> data = ReadFile(font->path);
    const auto line = RasterizeLine(data, font->faceIndex, kStartScreenText, 18.0f);
    ASSERT_TRUE(line);
    EXPECT_GE(line->height, 18);
    EXPECT_LE(line->height, 26);
    EXPECT_GT(line->width, 200);
    EXPECT_LT(line->width, 500);
    EXPECT_EQ(line->coverage.size(), static_cast<size_t>(line->width) * line->height);
    // Ink spread over the whole line, not one blot: most columns between letters carry some.
    EXPECT_GT(InkedColumns(*line), line->width / 3);

    const auto longer = RasterizeLine(data, font->faceIndex, "Vornis is loading... and more", 18);
    const auto shorter = RasterizeLine(data, font->faceIndex, "Vornis", 18);
    ASSERT_TRUE(longer && shorter);
    EXPECT_GT(longer->width, shorter->width);
}

TEST(RasterizeLine, RefusesDataThatIsNoFont)
{
    EXPECT_FALSE(RasterizeLine({}, 0, "text", 18));
    EXPECT_FALSE(RasterizeLine(std::vector<unsigned char>(4096, 0xAB), 0, "text", 18));
    std::vector<unsigned char> truncated = {0x00, 0x01, 0x00, 0x00, 0x00};
    EXPECT_FALSE(RasterizeLine(truncated, 0, "text", 18));
    // A font collection that claims many faces but ends after its header.
    std::vector<unsigned char> collection = {'t', 't', 'c', 'f', 0, 1, 0, 0, 0, 0, 0, 100};
    EXPECT_FALSE(RasterizeLine(collection, 50, "text", 18));

    const std::optional<platform::SystemFontFile> font = platform::MatchTrueTypeFont("sans-serif");
    ASSERT_TRUE(font);
    const std::vector<unsigned char> data = ReadFile(font->path);
    EXPECT_FALSE(RasterizeLine(data, 0, "text", 0.0f));
    EXPECT_FALSE(RasterizeLine(data, -1, "text", 18));
}

TEST(ShowStartScreen, WithoutThePictureShowsBackgroundAndText)
{
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Window* window = SDL_CreateWindow("start", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                          400, 200, SDL_WINDOW_OPENGL);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    const std::string capture = testing::TempDir() + "vornis-no-picture.bmp";
    ASSERT_TRUE(ShowStartScreen(window, "/nonexistent/startscreen.bmp", capture));

    SDL_Surface* loaded = SDL_LoadBMP(capture.c_str());
    ASSERT_NE(loaded, nullptr) << SDL_GetError();
    SDL_Surface* shot = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(loaded);
    int grey = 0, other = 0, otherAboveCentre = 0;
    for (int y = 0; y < shot->h; ++y) {
        for (int x = 0; x < shot->w; ++x) {
            const Uint8* p = static_cast<const Uint8*>(shot->pixels) + y * shot->pitch + x * 3;
            const bool isGrey = p[0] == 0x55 && p[1] == 0x55 && p[2] == 0x55;
            grey += isGrey;
            other += !isGrey;
            otherAboveCentre += !isGrey && (y < shot->h / 2 || x < shot->w / 2);
        }
    }
    // Text only, starting at the centre and running right and down from it.
    EXPECT_GT(other, 100);
    EXPECT_EQ(otherAboveCentre, 0);
    EXPECT_GT(grey, shot->w * shot->h * 9 / 10);
    SDL_FreeSurface(shot);
    std::remove(capture.c_str());

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
