#include "textures/ImageFileType.h"

#include <algorithm>

#include "platform/Paths.h"
#include "textures/FileBytes.h"
#include "textures/TargaImage.h"
#include "textures/TextureResult.h"

namespace {

// One row per readable kind. `extension` empty: the signature alone decides. TGA has no
// signature: `looksRight` checks its header instead.
struct ImageSignature {
    ImageFileType type;
    std::string_view signature;
    std::string_view extension;
    bool (*looksRight)(std::span<const uint8_t> firstBytes);
};

constexpr std::string_view kDdsSignature("DDS ", 4);
constexpr std::string_view kExrSignature("\x76\x2f\x31\x01", 4);
constexpr std::string_view kPngSignature("\x89PNG\r\n\x1a\n", 8);
// Start of image, then the first marker's lead byte.
constexpr std::string_view kJpegSignature("\xff\xd8\xff", 3);

const ImageSignature kSignatures[] = {
    {ImageFileType::Dds, kDdsSignature, {}, nullptr},
    {ImageFileType::Png, kPngSignature, {}, nullptr},
    {ImageFileType::Jpeg, kJpegSignature, {}, nullptr},
    {ImageFileType::Exr, kExrSignature, ".exr", nullptr},
    {ImageFileType::Targa, {}, ".tga", &LooksLikeTargaHeader},
};

bool StartsWith(std::span<const uint8_t> bytes, std::string_view signature)
{
    return bytes.size() >= signature.size() &&
           std::equal(signature.begin(), signature.end(), bytes.begin(),
                      [](char s, uint8_t b) { return static_cast<uint8_t>(s) == b; });
}

}  // namespace

ImageFileType ImageTypeOf(std::span<const uint8_t> firstBytes, std::string_view extension)
{
    for (const ImageSignature& row : kSignatures) {
        if (!row.extension.empty() && row.extension != extension)
            continue;
        if (!StartsWith(firstBytes, row.signature))
            continue;
        if (row.looksRight && !row.looksRight(firstBytes))
            continue;
        return row.type;
    }
    return ImageFileType::NotAnImage;
}

ImageFileProbe ProbeImageFile(const std::filesystem::path& path)
{
    ImageFileProbe probe;
    const FileBytesResult start = ReadFileStart(path, kImageProbeBytes);
    probe.result = start.result;
    if (start.result == texture_result::Ok)
        probe.type = ImageTypeOf(start.bytes, platform::FileExtension(path.string()));
    return probe;
}
