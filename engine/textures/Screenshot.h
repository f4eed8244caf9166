// The CPU side of screenshots: which sizes can be taken and what the file is called.
#pragma once

#include <ctime>
#include <string>

// The largest side a capture target can have.
constexpr int kMaxScreenshotSide = 16384;

// A screenshot of this size can be captured; anything else ends without writing.
bool IsScreenshotSizeValid(int width, int height);

// "screenshot_2026-3-7_9-5-3.dds" for 09:05:03 on 7 March 2026: no leading zeros, no
// directory, so the file lands in the current directory.
std::string ScreenshotFileName(const std::tm& localTime);
std::string ScreenshotFileNameNow();
