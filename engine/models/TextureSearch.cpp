#include "models/TextureSearch.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "models/MaterialLook.h"
#include "platform/Paths.h"

namespace fs = std::filesystem;

namespace {

constexpr std::array<const char*, 4> kTextureFolderNames = {"textures", "Textures", "tex", "maps"};

std::string Lowercase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool IsRegularFile(const fs::path& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// `bare` in `folder`: exactly, else ignoring case (files made on Windows often name their
// textures in another case than the disk holds them).
std::optional<fs::path> FindInFolder(const fs::path& folder, const std::string& bare)
{
    if (bare.empty())
        return std::nullopt;
    if (const fs::path exact = folder / bare; IsRegularFile(exact))
        return exact;
    const std::string wanted = Lowercase(bare);
    for (const fs::path& entry : platform::ListFiles(folder))
        if (Lowercase(entry.filename().string()) == wanted && IsRegularFile(entry))
            return entry;
    return std::nullopt;
}

}  // namespace

std::vector<fs::path> TextureFoldersBeside(const fs::path& modelFolder)
{
    std::vector<fs::path> folders;
    const fs::path base = modelFolder.empty() ? fs::path(".") : modelFolder;
    for (const char* name : kTextureFolderNames) {
        std::error_code error;
        const fs::path folder = base / name;
        // On a file system that ignores case "textures" and "Textures" are one folder.
        if (fs::is_directory(folder, error) &&
            std::none_of(folders.begin(), folders.end(), [&](const fs::path& known) {
                std::error_code same;
                return fs::equivalent(known, folder, same);
            }))
            folders.push_back(folder);
    }
    return folders;
}

bool IsImageFile(const fs::path& path)
{
    static const std::array<const char*, 13> kImageExtensions = {
        ".dds", ".tga", ".exr", ".png", ".jpg", ".jpeg", ".bmp",
        ".hdr", ".gif", ".psd", ".pic", ".pnm", ".ppm"};
    const std::string extension = Lowercase(platform::FileExtension(path.filename().string()));
    return std::find(kImageExtensions.begin(), kImageExtensions.end(), extension) !=
               kImageExtensions.end() &&
           IsRegularFile(path);
}

std::optional<fs::path> FindMaterialTextureFile(const fs::path& modelFolder,
                                                const std::string& stored)
{
    if (stored.empty())
        return std::nullopt;
    const fs::path base = modelFolder.empty() ? fs::path(".") : modelFolder;
    std::string unix = stored;
    std::replace(unix.begin(), unix.end(), '\\', '/');
    // A path with a drive letter is another machine's: only its name can help here.
    const bool windowsAbsolute = unix.size() > 1 && unix[1] == ':';
    if (!windowsAbsolute) {
        const fs::path given(unix);
        const fs::path candidate = given.is_absolute() ? given : base / given;
        if (IsRegularFile(candidate))
            return candidate.lexically_normal();
    }
    const std::string bare = BareTextureFileName(stored);
    if (std::optional<fs::path> found = FindInFolder(base, bare))
        return found;
    for (const fs::path& folder : TextureFoldersBeside(base))
        if (std::optional<fs::path> found = FindInFolder(folder, bare))
            return found;
    return std::nullopt;
}
