#include "platform/UserShaders.h"

#include <system_error>

namespace fs = std::filesystem;

UserShaderCopy CopyShadersToUserFolder(const platform::DataLayout& layout)
{
    UserShaderCopy result;
    const std::vector<fs::path> directories = platform::ShaderDirectories(layout);
    if (layout.userShaderDirectory.empty()) {
        result.folder = directories.front();
        return result;
    }
    result.folder = layout.userShaderDirectory;
    // The installed folder is the first one after the user's that holds anything.
    std::vector<fs::path> installed;
    for (size_t i = 1; i < directories.size() && installed.empty(); ++i)
        installed = platform::ListFiles(directories[i]);
    if (installed.empty()) {
        result.error = "no installed shaders were found";
        return result;
    }
    std::error_code error;
    fs::create_directories(result.folder, error);
    if (error) {
        result.error = "cannot create " + result.folder.string() + ": " + error.message();
        return result;
    }
    for (const fs::path& source : installed) {
        const std::string name = source.filename().string();
        const fs::path target = result.folder / name;
        if (!fs::copy_file(source, target, error)) {
            if (error == std::errc::file_exists) {
                result.kept.push_back(name);
                continue;
            }
            result.error = "cannot copy " + name + ": " + error.message();
            return result;
        }
        // Installed files may be read-only; the copy is there to be edited.
        fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write,
                        fs::perm_options::add, error);
        result.copied.push_back(name);
    }
    return result;
}
