#include "StartScreen.h"

#include <cstdio>
#include <vector>

#include "StartScreenLayout.h"
#include "TextRaster.h"
#include "platform/RegularFile.h"
#include "platform/SystemFont.h"

namespace host {

namespace {

constexpr Uint8 kBackground = 0x55;
constexpr float kTextPixelHeight = 18.0f;
// System fonts are a few megabytes at most; anything larger is not worth reading.
constexpr uint64_t kMaxFontBytes = 64 << 20;

std::vector<unsigned char> ReadFontFile(const std::string& path)
{
    const platform::FileContents file = platform::ReadRegularFile(path, kMaxFontBytes);
    if (file.problem != platform::FileProblem::None)
        return {};
    return {file.bytes.begin(), file.bytes.end()};
}

// White text with the rasteriser's coverage as alpha.
SDL_Texture* MakeTextTexture(SDL_Renderer* renderer, int& width, int& height)
{
    const std::optional<platform::SystemFontFile> fontFile =
        platform::MatchTrueTypeFont("sans-serif");
    if (!fontFile) {
        std::fprintf(stderr, "vornis: no TrueType sans-serif font found for the start screen\n");
        return nullptr;
    }
    const std::optional<TextImage> text = RasterizeLine(
        ReadFontFile(fontFile->path), fontFile->faceIndex, kStartScreenText, kTextPixelHeight);
    if (!text) {
        std::fprintf(stderr, "vornis: cannot use the font %s\n", fontFile->path.c_str());
        return nullptr;
    }
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormat(0, text->width, text->height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!surface)
        return nullptr;
    for (int y = 0; y < text->height; ++y) {
        auto* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) +
                                              static_cast<size_t>(y) * surface->pitch);
        for (int x = 0; x < text->width; ++x) {
            const Uint32 alpha = text->coverage[static_cast<size_t>(y) * text->width + x];
            row[x] = (alpha << 24) | 0x00FFFFFFu;
        }
    }
    SDL_Texture* texture = SDL_CreateTextureFromSurface(renderer, surface);
    SDL_FreeSurface(surface);
    if (texture) {
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
        width = text->width;
        height = text->height;
    }
    return texture;
}

void SaveCapture(SDL_Renderer* renderer, const std::string& path)
{
    int width = 0, height = 0;
    if (SDL_GetRendererOutputSize(renderer, &width, &height) != 0)
        return;
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormat(0, width, height, 24, SDL_PIXELFORMAT_BGR24);
    if (!surface)
        return;
    if (SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_BGR24, surface->pixels,
                             surface->pitch) != 0 ||
        SDL_SaveBMP(surface, path.c_str()) != 0)
        std::fprintf(stderr, "vornis: cannot save the start screen to %s: %s\n", path.c_str(),
                     SDL_GetError());
    SDL_FreeSurface(surface);
}

void DrawStartScreen(SDL_Renderer* renderer, const std::string& bitmapPath)
{
    int clientWidth = 0, clientHeight = 0;
    SDL_GetRendererOutputSize(renderer, &clientWidth, &clientHeight);
    SDL_SetRenderDrawColor(renderer, kBackground, kBackground, kBackground, 0xFF);
    SDL_RenderClear(renderer);

    int bitmapWidth = 0, bitmapHeight = 0;
    SDL_Texture* picture = nullptr;
    // A missing picture is no error worth telling the user about.
    if (SDL_Surface* bitmap = SDL_LoadBMP(bitmapPath.c_str())) {
        picture = SDL_CreateTextureFromSurface(renderer, bitmap);
        if (picture) {
            bitmapWidth = bitmap->w;
            bitmapHeight = bitmap->h;
        }
        SDL_FreeSurface(bitmap);
    }
    const StartScreenLayout layout =
        LayOutStartScreen(clientWidth, clientHeight, bitmapWidth, bitmapHeight);
    if (picture) {
        const SDL_Rect target{layout.bitmapX, layout.bitmapY, bitmapWidth, bitmapHeight};
        SDL_RenderCopy(renderer, picture, nullptr, &target);
        SDL_DestroyTexture(picture);
    }

    int textWidth = 0, textHeight = 0;
    if (SDL_Texture* text = MakeTextTexture(renderer, textWidth, textHeight)) {
        const SDL_Rect target{layout.textX, layout.textY, textWidth, textHeight};
        SDL_RenderCopy(renderer, text, nullptr, &target);
        SDL_DestroyTexture(text);
    }
}

}  // namespace

bool ShowStartScreen(SDL_Window* window, const std::string& bitmapPath,
                     const std::optional<std::string>& capturePath)
{
    // Drawn in software into the window system's own image of the window (shared memory on
    // X11): an accelerated renderer would create a GL context of its own and have the driver
    // compile its shaders, about 0.1 s of every start on a software GL driver, for one
    // picture. Where the window system has no such image the accelerated renderer draws it.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer)
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
    if (!renderer) {
        std::fprintf(stderr, "vornis: cannot draw the start screen: %s\n", SDL_GetError());
        return false;
    }
    DrawStartScreen(renderer, bitmapPath);
    // Read back before presenting: the back buffer's contents are undefined afterwards.
    if (capturePath)
        SaveCapture(renderer, *capturePath);
    SDL_RenderPresent(renderer);
    SDL_DestroyRenderer(renderer);
    return true;
}

}  // namespace host
