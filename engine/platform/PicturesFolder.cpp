#include "platform/PicturesFolder.h"

#include <cstdlib>
#include <system_error>

#include "platform/RegularFile.h"

namespace platform {

namespace {

constexpr std::string_view kKey = "XDG_PICTURES_DIR=";
// The file is a few lines; anything larger is not one.
constexpr uint64_t kMaxUserDirsBytes = 64 * 1024;

std::string_view Trim(std::string_view line)
{
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
        line.remove_suffix(1);
    return line;
}

}  // namespace

std::filesystem::path PicturesFolderFromUserDirs(std::string_view text, const std::string& home)
{
    std::filesystem::path found;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.starts_with(kKey))
            continue;
        line.remove_prefix(kKey.size());
        // The format's values are "$HOME/relative" or "/absolute", always quoted.
        if (line.size() < 2 || line.front() != '"' || line.back() != '"')
            continue;
        line = line.substr(1, line.size() - 2);
        std::string value;
        if (line.starts_with("$HOME")) {
            if (home.empty())
                continue;
            value = home + std::string(line.substr(5));
        } else if (line.starts_with("/")) {
            value = std::string(line);
        } else {
            continue;
        }
        // The last assignment wins, as when the shell reads the file.
        found = std::filesystem::path(value).lexically_normal();
        if (!home.empty() && found == std::filesystem::path(home + "/").lexically_normal())
            found.clear();
    }
    return found;
}

std::filesystem::path PicturesFolder()
{
    const char* home = std::getenv("HOME");
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path file;
    if (config && config[0] == '/')
        file = std::filesystem::path(config) / "user-dirs.dirs";
    else if (home && home[0] == '/')
        file = std::filesystem::path(home) / ".config" / "user-dirs.dirs";
    if (!file.empty()) {
        const FileContents contents = ReadRegularFile(file, kMaxUserDirsBytes);
        if (contents.problem == FileProblem::None) {
            const std::filesystem::path folder =
                PicturesFolderFromUserDirs(contents.bytes, home ? home : "");
            std::error_code error;
            if (!folder.empty() && std::filesystem::is_directory(folder, error))
                return folder;
        }
    }
    std::error_code error;
    std::filesystem::path working = std::filesystem::current_path(error);
    return error ? std::filesystem::path(".") : working;
}

}  // namespace platform
