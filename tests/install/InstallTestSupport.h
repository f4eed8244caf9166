// What the install tests share: where the prepared tree and package lie (tools/
// install-test-tree.sh), running commands and reading pictures.
#pragma once

#include <stb_image.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/ScratchDirectory.h"
#include "textures/DdsReader.h"
#include "textures/DxgiFormat.h"

namespace install_test {

namespace fs = std::filesystem;
using testing_support::ScratchDirectory;

// The install tree, moved away from the prefix it was installed into.
inline fs::path Tree()
{
    return fs::path(VORNIS_INSTALL_TEST_ROOT) / "moved";
}

// The Debian package; empty when none was built.
inline fs::path Package()
{
    std::error_code error;
    for (const auto& entry :
         fs::directory_iterator(fs::path(VORNIS_INSTALL_TEST_ROOT) / "package", error))
        if (entry.path().extension() == ".deb")
            return entry.path();
    return {};
}

struct CommandResult {
    int exitCode = -1;   // -1 when it did not exit normally
    std::string output;  // standard output and standard error together
};

inline CommandResult RunShell(const std::string& command)
{
    CommandResult result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    for (size_t got = 0; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        result.output.append(buffer, got);
    const int status = pclose(pipe);
    if (status != -1 && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}

// `text` as one shell word.
inline std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs `command` in `home`, which is also its home, so that no shader folder or cache of the
// machine's user is read; on the offscreen driver, with the tree's programs first on the path.
inline CommandResult RunInTree(const fs::path& home, const std::string& command)
{
    return RunShell("cd " + Quote(home) + " && HOME=" + Quote(home) +
                    " XDG_DATA_HOME= XDG_CACHE_HOME= SDL_VIDEODRIVER=offscreen PATH=" +
                    Quote(Tree() / "bin") + ":\"$PATH\" " + command);
}

inline std::string ReadText(const fs::path& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // top row first

    const uint8_t* At(int x, int y) const
    {
        return &rgba[(static_cast<size_t>(y) * width + x) * 4];
    }
};

// A PNG or BMP file.
inline std::optional<Picture> ReadPicture(const fs::path& path)
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

inline std::optional<Picture> ReadRgbaDds(const fs::path& path)
{
    const DdsFile dds = ReadDdsFile(path);
    if (dds.parsed.result != 0 || dds.parsed.image.format != DXGI_FORMAT_R8G8B8A8_UNORM ||
        dds.parsed.image.subresources.empty())
        return std::nullopt;
    const DdsSubresource& top = dds.parsed.image.At(0, 0);
    Picture picture{static_cast<int>(top.width),
                    static_cast<int>(top.height),
                    {top.data.begin(), top.data.end()}};
    if (picture.rgba.size() != static_cast<size_t>(picture.width) * picture.height * 4)
        return std::nullopt;
    return picture;
}

}  // namespace install_test
