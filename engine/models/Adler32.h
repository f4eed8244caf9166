// The Adler-32 checksum of zlib streams, sixteen bytes at a time: zlib's own runs a byte at a
// time and was a fifth of inflating a large model's arrays.
#pragma once

#include <cstddef>
#include <cstdint>

// The same value as zlib's adler32(adler, bytes, length); 1 starts a checksum.
uint32_t Adler32(uint32_t adler, const uint8_t* bytes, size_t length);
