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

std::optional<std::string> StartScreenCaptureFromEnvironment()
{
    const char* path = std::getenv("VORNIS_STARTSCREEN_CAPTURE");
    if (!path || path[0] == '\0')
        return std::nullopt;
    return std::string(path);
}

}  // namespace host
