#include "TestHooks.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace host {

std::optional<uint64_t> ParseFrameLimit(const char* value)
{
    if (!value)
        return std::nullopt;
    const char* end = value + std::strlen(value);
    uint64_t frames = 0;
    const auto [stop, error] = std::from_chars(value, end, frames);
    if (error != std::errc() || stop != end || value == end || frames == 0)
        return std::nullopt;
    return frames;
}

std::optional<uint64_t> FrameLimitFromEnvironment()
{
    return ParseFrameLimit(std::getenv("VORNIS_EXIT_AFTER_FRAMES"));
}

std::optional<ScreenshotSize> ParseScreenshotSize(const char* value)
{
    if (!value)
        return std::nullopt;
    const char* end = value + std::strlen(value);
    ScreenshotSize size;
    const auto [afterWidth, widthError] = std::from_chars(value, end, size.width);
    if (widthError != std::errc() || afterWidth == end || *afterWidth != 'x')
        return std::nullopt;
    const auto [afterHeight, heightError] = std::from_chars(afterWidth + 1, end, size.height);
    if (heightError != std::errc() || afterHeight != end)
        return std::nullopt;
    if (size.width < 1 || size.height < 1 || size.width > 4096 || size.height > 4096)
        return std::nullopt;
    return size;
}

std::optional<ScreenshotSize> ScreenshotAtExitFromEnvironment()
{
    return ParseScreenshotSize(std::getenv("VORNIS_SCREENSHOT_AT_EXIT"));
}

std::optional<std::string> StartScreenCaptureFromEnvironment()
{
    const char* path = std::getenv("VORNIS_STARTSCREEN_CAPTURE");
    if (!path || path[0] == '\0')
        return std::nullopt;
    return std::string(path);
}

}  // namespace host
