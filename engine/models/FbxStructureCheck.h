// Refuses FBX files whose structure would make the import library recurse without bound.
//
// The library walks an FBX file's blocks and its model hierarchy recursively: blocks
// nested thousands deep, or models parented in a cycle, exhaust the load thread's stack
// and take the whole program down. A linear pre-scan finds both before the library sees
// the file. It reads no more than the block headers of a binary file and makes one pass
// over the bytes of an ASCII file; anything it cannot make sense of is left for the
// library to report, so the check never refuses a file the library would read safely.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Deeper nesting than any exporter writes (real files nest fewer than ten blocks).
constexpr uint32_t kMaxFbxBlockNesting = 256;
// Deeper than any real skeleton or scene graph.
constexpr uint32_t kMaxFbxModelDepth = 1000;

// The reason the file must not be imported, or nothing when it may be.
std::optional<std::string> FindUnsafeFbxStructure(std::string_view bytes);

// The same for a file; a file that cannot be mapped is left to the import library.
std::optional<std::string> FindUnsafeFbxStructureInFile(const std::filesystem::path& path);
