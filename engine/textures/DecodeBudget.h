// How much an image may decode to, decided from its header before anything is decoded: a
// small file that claims an enormous picture is refused, and the images of one model load
// together stay within a share of physical memory.
#pragma once

#include <cstdint>
#include <string>

// Compression that real images reach stays below this (deflate cannot pass about 1032).
inline constexpr uint64_t kMaxDecodedBytesPerFileByte = 1000;
// Pictures this small are never out of proportion to their file: a plain colour
// compresses to almost nothing.
inline constexpr uint64_t kFreeDecodedBytes = 16ull << 20;

// Empty when an image whose pixels take `decodedBytes` in the file's own channels and
// `memoryBytes` once decoded may be decoded from a file of `fileBytes`; else why not, for
// the log. A granted image counts against the calling thread's budget while one is open.
std::string ClaimDecodedBytes(uint64_t decodedBytes, uint64_t memoryBytes, uint64_t fileBytes);

// The calling thread starts (true) or ends (false) one model load's budget.
void OpenDecodeBudget(bool open);

// A quarter of physical memory.
uint64_t DecodeBudgetBytes();
