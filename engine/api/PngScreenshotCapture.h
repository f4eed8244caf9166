// The viewer's PNG screenshots: F12 or the Display tab's button asks for one, and the next
// frame saves what it drew at the window's size, without the interface (which is drawn on
// the window, never into the back buffer), in the user's pictures folder.
#pragma once

#include <filesystem>

#include <SDL.h>

class CEngine;

// Any window event; F12 pressed (not a key repeat) asks for a screenshot.
void NoteScreenshotKey(CEngine& engine, const SDL_Event& event);

// After the frame's fullscreen pass: saves the screenshot asked for, if any, and logs the
// file or why there is none. Returns the file written, empty when none was.
std::filesystem::path SaveRequestedScreenshot(CEngine& engine);
