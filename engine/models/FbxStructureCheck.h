// Refuses FBX files whose structure would make the import library recurse without bound
// or corrupt its heap.
//
// The library walks an FBX file's blocks and its model hierarchy recursively: blocks
// nested thousands deep, or models parented in a cycle, exhaust the load thread's stack
// and take the whole program down; models shared between parents multiply into more
// nodes than memory holds; an array whose claimed size the library trusts makes it
// reserve terabytes or, in a binary file, read far past the buffer it sized with a count
// that wrapped around; two bones of one skin with the same name, or an embedded file whose
// text is not exact base64, make it free memory twice. A linear pre-scan finds all of these
// before the library sees the file. It reads the blocks exactly as the library's tokenizers do
// where that decides what the library will see (comments, strings, zero-length records, id digits),
// and otherwise errs towards seeing more: anything it cannot make sense of is left for the library
// to report. It refuses no file the library reads safely except one with a model cycle that the
// walk from the root would not reach, which no exporter writes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Deeper nesting than any exporter writes (real files nest fewer than ten blocks).
constexpr uint32_t kMaxFbxBlockNesting = 256;

// The reason the file must not be imported, or nothing when it may be.
// `takes`, when given, receives the number of takes (animation stacks) the file holds.
std::optional<std::string> FindUnsafeFbxStructure(std::string_view bytes,
                                                  uint32_t* takes = nullptr);
