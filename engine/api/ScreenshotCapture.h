// Renders the scene once more at a chosen size and saves it as a dated DDS file in the
// current directory.
#pragma once

#include <string>

class CEngine;

// Window thread. Returns the file name written, empty when nothing was written (a size of
// 0 or above the capture limit, no device, a target or file that could not be made).
std::string CaptureScreenshot(CEngine& engine, int width, int height);
