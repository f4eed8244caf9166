#include "textures/PngScreenshot.h"

#include <stb_image_write.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/NewFile.h"

namespace {

constexpr int kMaxNameTries = 100;

void AppendToFile(void* context, void* data, int size)
{
    auto* file = static_cast<platform::NewFile*>(context);
    if (size > 0)
        file->Write(data, static_cast<size_t>(size));
}

std::string NumberedName(const std::string& name, int number)
{
    if (number == 1)
        return name;
    const size_t dot = name.rfind(".png");
    return name.substr(0, dot) + "-" + std::to_string(number) + name.substr(dot);
}

}  // namespace

std::string PngScreenshotName(const std::filesystem::path& modelPath, const std::tm& localTime)
{
    std::string model = modelPath.stem().string();
    if (model.empty())
        model = "vornis";
    char stamp[96];
    std::snprintf(stamp, sizeof stamp, "-%04d-%02d-%02d-%02d-%02d-%02d.png",
                  localTime.tm_year + 1900, localTime.tm_mon + 1, localTime.tm_mday,
                  localTime.tm_hour, localTime.tm_min, localTime.tm_sec);
    return model + stamp;
}

std::filesystem::path WriteNewPng(const std::filesystem::path& folder, const std::string& name,
                                  int width, int height, const std::vector<uint8_t>& rgba,
                                  std::string& error)
{
    if (width <= 0 || height <= 0 ||
        rgba.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4) {
        error = "no picture to save";
        return {};
    }
    for (int number = 1; number <= kMaxNameTries; ++number) {
        const std::filesystem::path path = folder / NumberedName(name, number);
        platform::NewFile file(path);
        if (!file.IsOpen() && file.Error() == EEXIST)
            continue;
        if (!file.IsOpen()) {
            error = "cannot create " + path.string() + ": " + std::strerror(file.Error());
            return {};
        }
        const int written =
            stbi_write_png_to_func(&AppendToFile, &file, width, height, 4, rgba.data(), width * 4);
        if (!written || !file.Close()) {
            error = "cannot write " + path.string() + ": " +
                    std::strerror(file.Error() ? file.Error() : EIO);
            return {};
        }
        return path;
    }
    error = "every name for " + name + " in " + folder.string() + " is taken";
    return {};
}
