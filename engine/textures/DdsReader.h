// Reads DDS files into a DdsImage ready for upload, with every size the file states
// checked against the bytes it holds.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "textures/DdsImage.h"
#include "textures/DdsLayout.h"

struct DdsParseResult {
    int32_t result = 0;  // texture_result code
    // Set as soon as magic and sizes were found valid, also when the texture was then
    // rejected, so that callers can tell a size problem from a format problem.
    std::optional<DdsHeader> header;
    std::optional<DdsHeaderDx10> dx10;
    DdsImage image;  // spans into the parsed bytes; valid only when result is 0
    // A 24-bit RGB file's texels widened to four bytes; the image's spans point here then.
    std::vector<uint8_t> expandedTexels;

    DdsParseResult() = default;
    // The image may point into `expandedTexels`: a copy would point into the original.
    DdsParseResult(const DdsParseResult&) = delete;
    DdsParseResult& operator=(const DdsParseResult&) = delete;
    DdsParseResult(DdsParseResult&&) = default;
    DdsParseResult& operator=(DdsParseResult&&) = default;
};

// Parses the whole file's bytes. The image's spans point into `file`, or into the result's
// own expanded texels for a 24-bit RGB file.
DdsParseResult ParseDds(std::span<const uint8_t> file);

// A DDS file read from disk; `parsed.image` points into `bytes`, so the two stay together.
struct DdsFile {
    std::vector<uint8_t> bytes;
    DdsParseResult parsed;

    DdsFile() = default;
    DdsFile(const DdsFile&) = delete;
    DdsFile& operator=(const DdsFile&) = delete;
    DdsFile(DdsFile&&) = default;
    DdsFile& operator=(DdsFile&&) = default;
};

// Reads and parses a file. Only the bytes its header claims (less than 4 GiB) are read,
// and only once the file is known to hold them; a file too short for its header fails
// with EndOfData and the header. A file that cannot be opened gives the operating
// system's error and no header.
DdsFile ReadDdsFile(const std::filesystem::path& path);

// The size cap for a second attempt when the device refuses a texture with several mips.
uint32_t DdsRetrySizeCap(DdsDimension dimension);

// The image without the leading mip levels whose width, height or depth exceed `cap`.
// Nothing when no level is left or the image has fewer than 2 levels.
std::optional<DdsImage> DropMipsAboveCap(const DdsImage& image, uint32_t cap);
