// Environment variables that only tests set. Malformed values are ignored, so a typo can
// never make the viewer quit early.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace host {

// VORNIS_EXIT_AFTER_FRAMES: a positive decimal count of frames after which the loop ends.
// Frames drawn while a model opened at start loads do not count, so a test sees the model.
std::optional<uint64_t> ParseFrameLimit(const char* value);
std::optional<uint64_t> FrameLimitFromEnvironment();

// VORNIS_STARTSCREEN_CAPTURE: where to save the drawn start screen.
std::optional<std::string> StartScreenCaptureFromEnvironment();

// VORNIS_SCREENSHOT_AT_EXIT: "WxH", the size of the screenshot that the engine saves into
// the working directory when the frame limit ends the loop; each side 1 to 4096.
struct ScreenshotSize {
    int width = 0;
    int height = 0;
};
std::optional<ScreenshotSize> ParseScreenshotSize(const char* value);
std::optional<ScreenshotSize> ScreenshotAtExitFromEnvironment();

}  // namespace host
