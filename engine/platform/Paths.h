// File-system helpers: the program's directory, where run-time data lies, UTF-16
// conversion and file times. Nothing here throws: file-system errors come back as empty or
// zero values.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Directory of the running program (from /proc/self/exe), without a trailing separator.
const std::filesystem::path& ProgramDirectory();

// Where run-time data (shaders, fixed assets, "Skyboxtextures", the demo model, the
// start-screen picture) is looked for, in order: beside the program (the build tree, or any
// copy of it), then ../share/vornis from the program's real path (an installed tree).
// Shaders of an installed tree come first from the user's folder, because share/ may be
// read-only; the build tree never looks there, so its shaders stay the ones beside it.
struct DataLayout {
    std::vector<std::filesystem::path> roots;
    std::filesystem::path userShaderDirectory;  // empty outside an installed tree
};

// The layout of a program in `programDirectory`. An installed tree is one with no
// "shaders" beside the program and a ../share/vornis folder. The user's folder is
// $XDG_DATA_HOME/vornis/shaders, or ~/.local/share/vornis/shaders when that variable is
// unset or not absolute; none without either.
DataLayout MakeDataLayout(const std::filesystem::path& programDirectory, const char* xdgDataHome,
                          const char* home);

// The running program's layout, read once.
const DataLayout& ProgramDataLayout();

// Every place a relative data path may lie, in lookup order.
std::vector<std::filesystem::path> DataPathCandidates(const DataLayout& layout,
                                                      const std::filesystem::path& relative);

// A path that begins with '/' is used as given, byte for byte. Any other is a data path
// ('\' read as '/'): the first candidate that exists, or the first candidate when none
// does (so that a message names where the file was expected).
std::filesystem::path ResolveDataPath(const DataLayout& layout, const std::filesystem::path& path);
std::filesystem::path ResolveDataPath(const std::filesystem::path& path);

// An #include resolves relative to the including file. A file in the user's shader folder
// may include one the user never copied there: that one comes from the installed shaders.
std::filesystem::path ResolveShaderInclude(const DataLayout& layout,
                                           const std::filesystem::path& includingFile,
                                           const std::filesystem::path& wanted);

// The folders that hold shader sources, in lookup order, whether or not they exist.
std::vector<std::filesystem::path> ShaderDirectories(const DataLayout& layout);

// The demo model, as a data path.
inline constexpr const char* kDemoModel = "demo/spheres.fbx";

// A fixed asset ("xyz/xyz.fbx", ...): in the working directory when it is there, else beside
// the program, so that the viewer finds its own files from wherever it is started.
std::string FindFixedAsset(const std::string& relativePath);

// Turns Windows separators into '/' so that "shaders\x.fx" and "shaders/x.fx" name the
// same file.
std::string NormalizeSeparators(std::string_view path);

// A file name from the wide interface, in the system's bytes. A byte of the name that is
// no part of well-formed UTF-8 arrives as a lone U+DC80..U+DCFF (0xDC00 + the byte) and
// becomes that byte again. Any other lone surrogate cannot be a name: std::nullopt.
std::optional<std::filesystem::path> WideNameToPath(std::u16string_view name);

// Last-write time in nanoseconds since the Unix epoch; nullopt when the file cannot be
// queried.
std::optional<int64_t> LastWriteTicks(const std::filesystem::path& path);

// Regular files of a directory sorted by name, skipping names that begin with a dot. An
// unreadable directory gives an empty list.
std::vector<std::filesystem::path> ListFiles(const std::filesystem::path& directory);

// Extension of the final name from its last dot; a name whose only dot is its first
// character has none. Case is kept.
std::string FileExtension(std::string_view path);

}  // namespace platform
