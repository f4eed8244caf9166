// Writes two-dimensional images as DDS files (screenshots and any read-back texture).
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

struct DdsWriteResult {
    int32_t result = 0;  // texture_result code
    std::vector<uint8_t> bytes;
};

// Builds the whole file: magic, header (and the extended header where no legacy pixel
// format exists) and the texel rows. `source` holds the rows `rowPitch` bytes apart, as a
// mapped read-back gives them; each row contributes the smaller of its packed size and
// the pitch. Palette formats are not supported.
DdsWriteResult BuildDdsFile(uint32_t format, uint32_t width, uint32_t height, uint64_t rowPitch,
                            std::span<const uint8_t> source);

// Builds and writes the file, replacing any existing one (a link or a FIFO under the name
// is replaced, never written through); a short write leaves no file.
int32_t WriteDdsFile(const std::filesystem::path& path, uint32_t format, uint32_t width,
                     uint32_t height, uint64_t rowPitch, std::span<const uint8_t> source);
