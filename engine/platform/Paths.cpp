#include "platform/Paths.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iterator>
#include <system_error>

#include "platform/Utf.h"

namespace fs = std::filesystem;

namespace platform {

const fs::path& ProgramDirectory()
{
    // Never destroyed: the file watcher's thread may still resolve paths while the
    // process runs its exit handlers.
    static const fs::path* directory = [] {
        std::error_code error;
        fs::path exe = fs::read_symlink("/proc/self/exe", error);
        if (error)
            return new fs::path(fs::current_path(error));
        return new fs::path(exe.parent_path());
    }();
    return *directory;
}

namespace {

bool IsDirectory(const fs::path& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

bool Exists(const fs::path& path)
{
    std::error_code error;
    return fs::exists(path, error);
}

fs::path UserDataHome(const char* xdgDataHome, const char* home)
{
    // The base-directory rules ignore a relative XDG_DATA_HOME.
    if (xdgDataHome && xdgDataHome[0] == '/')
        return fs::path(xdgDataHome);
    if (home && home[0] == '/')
        return fs::path(home) / ".local" / "share";
    return {};
}

}  // namespace

DataLayout MakeDataLayout(const fs::path& programDirectory, const char* xdgDataHome,
                          const char* home)
{
    DataLayout layout;
    layout.roots.push_back(programDirectory);
    const fs::path share = (programDirectory / ".." / "share" / "vornis").lexically_normal();
    if (!IsDirectory(share))
        return layout;
    layout.roots.push_back(share);
    const fs::path dataHome = UserDataHome(xdgDataHome, home);
    if (!IsDirectory(programDirectory / "shaders") && !dataHome.empty())
        layout.userShaderDirectory = dataHome / "vornis" / "shaders";
    return layout;
}

const DataLayout& ProgramDataLayout()
{
    // Never destroyed, like the program's directory.
    static const DataLayout* layout = new DataLayout(
        MakeDataLayout(ProgramDirectory(), std::getenv("XDG_DATA_HOME"), std::getenv("HOME")));
    return *layout;
}

std::vector<fs::path> DataPathCandidates(const DataLayout& layout, const fs::path& relative)
{
    std::vector<fs::path> candidates;
    const auto first = relative.begin();
    if (!layout.userShaderDirectory.empty() && first != relative.end() && *first == "shaders" &&
        std::next(first) != relative.end())
        candidates.push_back(layout.userShaderDirectory / relative.lexically_relative("shaders"));
    for (const fs::path& root : layout.roots)
        candidates.push_back(root / relative);
    return candidates;
}

fs::path ResolveDataPath(const DataLayout& layout, const fs::path& path)
{
    // A user's absolute path is used exactly as given: on Linux a backslash is a valid
    // file-name character. Only the engine's own relative names take Windows spellings.
    if (path.is_absolute())
        return path;
    fs::path normalized(NormalizeSeparators(path.native()));
    if (normalized.is_absolute())
        return normalized;
    const std::vector<fs::path> candidates = DataPathCandidates(layout, normalized);
    for (const fs::path& candidate : candidates) {
        if (Exists(candidate))
            return candidate;
    }
    return candidates.front();
}

fs::path ResolveDataPath(const fs::path& path)
{
    return ResolveDataPath(ProgramDataLayout(), path);
}

fs::path ResolveShaderInclude(const DataLayout& layout, const fs::path& includingFile,
                              const fs::path& wanted)
{
    if (wanted.is_absolute())
        return wanted;
    const fs::path beside = includingFile.parent_path() / wanted;
    if (layout.userShaderDirectory.empty() || Exists(beside) ||
        includingFile.parent_path().lexically_normal() !=
            layout.userShaderDirectory.lexically_normal())
        return beside;
    for (const fs::path& root : layout.roots) {
        if (Exists(root / "shaders" / wanted))
            return root / "shaders" / wanted;
    }
    return beside;
}

std::vector<fs::path> ShaderDirectories(const DataLayout& layout)
{
    std::vector<fs::path> directories;
    if (!layout.userShaderDirectory.empty())
        directories.push_back(layout.userShaderDirectory);
    for (const fs::path& root : layout.roots)
        directories.push_back(root / "shaders");
    return directories;
}

std::string FindFixedAsset(const std::string& relativePath)
{
    std::error_code ec;
    if (fs::exists(relativePath, ec))
        return relativePath;
    return ResolveDataPath(relativePath).string();
}

std::string NormalizeSeparators(std::string_view path)
{
    std::string result(path);
    for (char& c : result) {
        if (c == '\\')
            c = '/';
    }
    return result;
}

std::optional<fs::path> WideNameToPath(std::u16string_view name)
{
    std::string bytes;
    size_t begin = 0;
    for (size_t i = 0; i <= name.size(); ++i) {
        const bool escaped = i < name.size() && name[i] >= 0xDC80 && name[i] <= 0xDCFF &&
                             (i == 0 || name[i - 1] < 0xD800 || name[i - 1] > 0xDBFF);
        if (i < name.size() && !escaped)
            continue;
        const std::optional<std::string> run = Utf16ToUtf8(name.substr(begin, i - begin));
        if (!run)
            return std::nullopt;
        bytes += *run;
        if (escaped)
            bytes.push_back(static_cast<char>(name[i] - 0xDC00));
        begin = i + 1;
    }
    return fs::path(std::move(bytes));
}

std::optional<int64_t> LastWriteTicks(const fs::path& path)
{
    std::error_code error;
    auto time = fs::last_write_time(path, error);
    if (error)
        return std::nullopt;
    // The file clock's epoch lies in the future (its ticks are negative today): count
    // nanoseconds from the Unix epoch so that later always means larger and positive.
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::file_clock::to_sys(time).time_since_epoch())
        .count();
}

std::vector<fs::path> ListFiles(const fs::path& directory)
{
    std::vector<fs::path> files;
    std::error_code error;
    fs::directory_iterator it(directory, error);
    if (error)
        return files;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error)
            break;
        const fs::path& entry = it->path();
        std::string name = entry.filename().string();
        if (name.empty() || name[0] == '.')
            continue;
        std::error_code typeError;
        if (it->is_directory(typeError))
            continue;
        files.push_back(entry);
    }
    // Directory order differs between file systems and even between runs; "the first sky"
    // and which of two matching textures wins must not.
    std::sort(files.begin(), files.end());
    return files;
}

std::string FileExtension(std::string_view path)
{
    size_t slash = path.find_last_of('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0)
        return {};
    return std::string(name.substr(dot));
}

}  // namespace platform
