// File-system helpers: the program's directory, path resolution, UTF-16 conversion and
// file times. Nothing here throws: file-system errors come back as empty or zero values.
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

// A path that begins with '/' is used as given; any other is taken relative to the
// program's directory.
std::filesystem::path ResolveAgainstProgramDirectory(const std::filesystem::path& path);

// A fixed asset ("xyz/xyz.fbx", ...): in the working directory when it is there, else beside
// the program, so that the viewer finds its own files from wherever it is started.
std::string FindFixedAsset(const std::string& relativePath);

// Turns Windows separators into '/' so that "shaders\x.fx" and "shaders/x.fx" name the
// same file.
std::string NormalizeSeparators(std::string_view path);

// UTF-8 <-> UTF-16. Invalid sequences give std::nullopt.
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);
std::optional<std::string> Utf16ToUtf8(std::u16string_view text);

// Last-write time in nanoseconds since the Unix epoch; nullopt when the file cannot be
// queried.
std::optional<int64_t> LastWriteTicks(const std::filesystem::path& path);

// Regular files of a directory in the order the file system lists them, skipping names
// that begin with a dot. An unreadable directory gives an empty list.
std::vector<std::filesystem::path> ListFiles(const std::filesystem::path& directory);

// Extension of the final name from its last dot; a name whose only dot is its first
// character has none. Case is kept.
std::string FileExtension(std::string_view path);

}  // namespace platform
