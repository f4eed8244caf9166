// Environment variables that only tests set. Malformed values are ignored, so a typo can
// never make the viewer quit early.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace host {

// VORNIS_EXIT_AFTER_FRAMES: a positive decimal count of frames after which the loop ends.
std::optional<uint64_t> ParseFrameLimit(const char* value);
std::optional<uint64_t> FrameLimitFromEnvironment();

// VORNIS_STARTSCREEN_CAPTURE: where to save the drawn start screen.
std::optional<std::string> StartScreenCaptureFromEnvironment();

}  // namespace host
