#include <ImfArray.h>
#include <ImfIO.h>
#include <ImfRgbaFile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "textures/DecodeBudget.h"
#include "textures/ExrImage.h"
#include "textures/FileBytes.h"
#include "textures/ImageFileType.h"
#include "textures/PanoramaImage.h"
#include "textures/TextureResult.h"

namespace {

// The largest image the reader accepts, uncompressed half floats, and room for headers.
constexpr uint64_t kMaxExrFileBytes =
    uint64_t{kMaxExrSide} * kMaxExrSide * 4 * sizeof(uint16_t) + (uint64_t{1} << 20);

// The file's bytes, read once as a regular file: the library never opens the path
// itself, so nothing swapped in under the name can block it.
class ExrMemoryStream : public Imf::IStream {
   public:
    ExrMemoryStream(const std::string& name, const std::vector<uint8_t>& bytes)
        : Imf::IStream(name.c_str()), bytes(bytes)
    {
    }

    bool read(char c[], int n) override
    {
        if (n < 0 || static_cast<uint64_t>(n) > bytes.size() - position)
            throw std::runtime_error("unexpected end of file");
        std::memcpy(c, bytes.data() + position, static_cast<size_t>(n));
        position += static_cast<uint64_t>(n);
        return position < bytes.size();
    }

    uint64_t tellg() override { return position; }

    void seekg(uint64_t pos) override { position = std::min<uint64_t>(pos, bytes.size()); }

   private:
    const std::vector<uint8_t>& bytes;
    uint64_t position = 0;
};

// Rows read per pass, so the half-float staging stays small whatever the image size.
constexpr int64_t kRowsPerPass = 64;

uint32_t PackRgba(const Imf::Rgba& texel)
{
    const uint8_t bytes[4] = {ExrChannelToByte(texel.r), ExrChannelToByte(texel.g),
                              ExrChannelToByte(texel.b), ExrChannelToByte(texel.a)};
    uint32_t packed;
    std::memcpy(&packed, bytes, 4);
    return packed;
}

}  // namespace

uint8_t ExrChannelToByte(float value)
{
    if (!(value > 0.0f))  // also NaN
        return 0;
    if (value >= 1.0f)
        return 255;
    return static_cast<uint8_t>(std::lround(value * 255.0f));
}

namespace {

// Reads every row of the data window through a small staging buffer and hands each pass
// of rows to `take(firstRow, texels, count)`. `accept(width, height)` may refuse the size
// before anything is allocated for it. False when the library cannot read the file.
template <class Accept, class Take>
bool ReadExrRows(const std::string& name, const std::vector<uint8_t>& bytes, Accept&& accept,
                 Take&& take)
{
    try {
        ExrMemoryStream stream(name, bytes);
        Imf::RgbaInputFile file(stream);
        const Imath::Box2i window = file.dataWindow();
        const int64_t width = static_cast<int64_t>(window.max.x) - window.min.x + 1;
        const int64_t height = static_cast<int64_t>(window.max.y) - window.min.y + 1;
        if (width <= 0 || height <= 0 || !accept(width, height))
            return false;
        std::vector<Imf::Rgba> rows(static_cast<size_t>(width * std::min(height, kRowsPerPass)));
        for (int64_t first = 0; first < height; first += kRowsPerPass) {
            const int64_t count = std::min(kRowsPerPass, height - first);
            const int64_t y0 = window.min.y + first;
            // The library addresses texel (x, y) at base + x + y * width; shift the base so
            // that the pass's first row lands at the start of `rows`.
            // Computed as an address, since it may lie outside the vector.
            const intptr_t shift =
                (static_cast<intptr_t>(window.min.x) + static_cast<intptr_t>(y0 * width)) *
                static_cast<intptr_t>(sizeof(Imf::Rgba));
            auto* base =
                reinterpret_cast<Imf::Rgba*>(reinterpret_cast<intptr_t>(rows.data()) - shift);
            file.setFrameBuffer(base, 1, static_cast<size_t>(width));
            file.readPixels(static_cast<int>(y0), static_cast<int>(y0 + count - 1));
            take(first * width, rows.data(), count * width);
        }
        return true;
    } catch (...) {
        // The library reports unreadable and malformed files by throwing.
        return false;
    }
}

}  // namespace

std::optional<ExrImage> ReadExrImage(const std::filesystem::path& path)
{
    const FileBytesResult read = ReadFileBytes(path, kMaxExrFileBytes);
    if (read.result != texture_result::Ok)
        return std::nullopt;
    ExrImage image;
    const bool ok = ReadExrRows(
        path.string(), read.bytes,
        [&](int64_t width, int64_t height) {
            if (width > kMaxExrSide || height > kMaxExrSide)
                return false;
            // Half-float RGBA in the file and once decoded.
            const uint64_t bytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 8;
            if (const std::string unsafe = ClaimDecodedBytes(bytes, bytes, read.bytes.size());
                !unsafe.empty())
                return false;
            image.width = static_cast<uint32_t>(width);
            image.height = static_cast<uint32_t>(height);
            image.pixels.resize(static_cast<size_t>(width * height));
            return true;
        },
        [&](int64_t first, const Imf::Rgba* texels, int64_t count) {
            for (int64_t i = 0; i < count; ++i)
                image.pixels[static_cast<size_t>(first + i)] = PackRgba(texels[i]);
        });
    if (!ok)
        return std::nullopt;
    return image;
}

std::optional<PanoramaImage> DecodeExrPanorama(const std::string& name,
                                               const std::vector<uint8_t>& bytes,
                                               std::string& reason)
{
    PanoramaImage image;
    reason.clear();
    // Bytes without the signature never reach the library.
    const size_t probe = std::min(bytes.size(), kImageProbeBytes);
    if (ImageTypeOf(std::span(bytes.data(), probe), ".exr") != ImageFileType::Exr) {
        reason = "not an OpenEXR file";
        return std::nullopt;
    }
    const bool ok = ReadExrRows(
        name, bytes,
        [&](int64_t width, int64_t height) {
            reason =
                PanoramaShapeProblem(static_cast<uint64_t>(width), static_cast<uint64_t>(height));
            if (!reason.empty())
                return false;
            const uint64_t texels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
            if (reason = ClaimDecodedBytes(texels * 8, texels * 12, bytes.size()); !reason.empty())
                return false;
            if (!image.Allocate(static_cast<uint32_t>(width), static_cast<uint32_t>(height))) {
                reason = "no memory for its texels";
                return false;
            }
            return true;
        },
        [&](int64_t first, const Imf::Rgba* texels, int64_t count) {
            float* out = image.Rgb().data() + first * 3;
            for (int64_t i = 0; i < count; ++i) {
                out[i * 3 + 0] = texels[i].r;
                out[i * 3 + 1] = texels[i].g;
                out[i * 3 + 2] = texels[i].b;
            }
        });
    if (!ok) {
        if (reason.empty())
            reason = "not a readable OpenEXR file";
        return std::nullopt;
    }
    return image;
}
