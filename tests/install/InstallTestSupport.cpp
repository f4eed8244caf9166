#include "InstallTestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

#include "textures/DdsReader.h"
#include "textures/DxgiFormat.h"

namespace install_test {

fs::path Tree()
{
    return fs::path(VORNIS_INSTALL_TEST_ROOT) / "moved";
}

fs::path Package()
{
    std::error_code error;
    for (const auto& entry :
         fs::directory_iterator(fs::path(VORNIS_INSTALL_TEST_ROOT) / "package", error)) {
        if (entry.path().extension() == ".deb")
            return entry.path();
    }
    return {};
}

CommandResult RunShell(const std::string& command)
{
    CommandResult result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, got);
    const int status = pclose(pipe);
    if (status != -1 && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

CommandResult RunInTree(const fs::path& home, const std::string& command)
{
    return RunShell("cd " + Quote(home) + " && HOME=" + Quote(home) +
                    " XDG_DATA_HOME= XDG_CACHE_HOME= SDL_VIDEODRIVER=offscreen PATH=" +
                    Quote(Tree() / "bin") + ":\"$PATH\" " + command);
}

std::optional<Picture> ReadPng(const fs::path& path)
{
    Picture picture;
    int channels = 0;
    stbi_uc* pixels = stbi_load(path.c_str(), &picture.width, &picture.height, &channels, 4);
    if (!pixels)
        return std::nullopt;
    picture.rgba.assign(pixels, pixels + static_cast<size_t>(picture.width) * picture.height * 4);
    stbi_image_free(pixels);
    return picture;
}

std::optional<Picture> ReadRgbaDds(const fs::path& path)
{
    const DdsFile dds = ReadDdsFile(path);
    if (dds.parsed.result != 0 || dds.parsed.image.format != DXGI_FORMAT_R8G8B8A8_UNORM ||
        dds.parsed.image.subresources.empty())
        return std::nullopt;
    const DdsSubresource& top = dds.parsed.image.At(0, 0);
    Picture picture;
    picture.width = static_cast<int>(top.width);
    picture.height = static_cast<int>(top.height);
    picture.rgba.assign(top.data.begin(), top.data.end());
    if (picture.rgba.size() != static_cast<size_t>(picture.width) * picture.height * 4)
        return std::nullopt;
    return picture;
}

std::string ReadText(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace install_test
