// The picture the window shows while the engine starts.
#pragma once

#include <SDL.h>

#include <optional>
#include <string>

namespace host {

inline constexpr const char* kStartScreenText = "Vornis is loading... Have a great day :)";

// Draws the start screen with a renderer of its own that is gone again when this returns,
// so that the engine can create its GL context on the same window. A missing picture
// leaves the background and the text. capturePath, when set, receives the drawn image as
// a BMP file. Returns false when nothing could be drawn; the program goes on regardless.
bool ShowStartScreen(SDL_Window* window, const std::string& bitmapPath,
                     const std::optional<std::string>& capturePath);

}  // namespace host
