// Reads a whole file into memory, bounded by a caller's limit.
// Files are copied rather than mapped: a texture that an editor rewrites while the
// viewer reloads it must not be able to pull pages from under the reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

struct FileBytesResult {
    int32_t result = 0;  // texture_result code
    std::vector<uint8_t> bytes;
    uint64_t fileSize = 0;  // the whole file's size, also when only its start was read
};

// Only regular files are read (a pipe or device could block forever). A file larger than
// maxBytes, or one that yields fewer bytes than its size, fails with texture_result::Fail.
FileBytesResult ReadFileBytes(const std::filesystem::path& path, uint64_t maxBytes);

// The first `count` bytes of a regular file, or all of a shorter one: what a reader needs
// to decide from a header what else to read.
FileBytesResult ReadFileStart(const std::filesystem::path& path, uint64_t count);
