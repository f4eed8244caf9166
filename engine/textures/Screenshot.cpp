#include "textures/Screenshot.h"

bool IsScreenshotSizeValid(int width, int height)
{
    return width > 0 && height > 0 && width <= kMaxScreenshotSide && height <= kMaxScreenshotSide;
}

std::string ScreenshotFileName(const std::tm& t)
{
    return "screenshot_" + std::to_string(t.tm_year + 1900) + "-" + std::to_string(t.tm_mon + 1) +
           "-" + std::to_string(t.tm_mday) + "_" + std::to_string(t.tm_hour) + "-" +
           std::to_string(t.tm_min) + "-" + std::to_string(t.tm_sec) + ".dds";
}

std::string ScreenshotFileNameNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return ScreenshotFileName(local);
}
