// Starts the engine in a real SDL window for tests that need OpenGL. Tests run under
// SDL_VIDEODRIVER=offscreen on Mesa's software renderer, so no display is needed.
#pragma once

#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdint>
#include <vector>

#include "api/public/vornis_engine.h"

namespace testing_support {

// Creates a window of the given size (64 for 0) and runs InitEngine on it; returns its
// result, -1 without a window.
inline int StartEngine(int width, int height, SDL_Window** windowOut = nullptr)
{
    SDL_Window* window = nullptr;
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0 || SDL_Init(SDL_INIT_VIDEO) == 0)
        window = SDL_CreateWindow("Vornis test", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                  width > 0 ? width : 64, height > 0 ? height : 64,
                                  SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
    if (windowOut)
        *windowOut = window;
    if (!window)
        return -1;
    CreateEngineNative();
    return InitEngine(static_cast<int>(SDL_GetWindowID(window)), width, height);
}

// Reads level 0 of a GL texture as RGBA8, top row first.
inline std::vector<uint8_t> ReadTextureRgba8(GLuint texture, int width, int height)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTextureImage(texture, 0, GL_RGBA, GL_UNSIGNED_BYTE, static_cast<GLsizei>(pixels.size()),
                      pixels.data());
    return pixels;
}

inline void TextureSize(GLuint texture, int& width, int& height)
{
    glGetTextureLevelParameteriv(texture, 0, GL_TEXTURE_WIDTH, &width);
    glGetTextureLevelParameteriv(texture, 0, GL_TEXTURE_HEIGHT, &height);
}

}  // namespace testing_support
