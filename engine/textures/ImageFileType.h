// What kind of image a file holds, told from its first bytes before anything is read
// whole: a large file that only has a texture's name costs one small read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

enum class ImageFileType { NotAnImage, Dds, Targa, Exr, Png, Jpeg };

// Enough for every signature and header the table knows.
constexpr size_t kImageProbeBytes = 4096;

// The type the texture manager reads a file as: DDS, PNG and JPEG by their signatures
// whatever the name; TGA and EXR by their (case-sensitive) extension when the bytes agree.
ImageFileType ImageTypeOf(std::span<const uint8_t> firstBytes, std::string_view extension);

struct ImageFileProbe {
    int32_t result = 0;  // texture_result code of opening and reading
    ImageFileType type = ImageFileType::NotAnImage;
};

// Reads at most kImageProbeBytes of a regular file.
ImageFileProbe ProbeImageFile(const std::filesystem::path& path);
