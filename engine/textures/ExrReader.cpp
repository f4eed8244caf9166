#include <ImfArray.h>
#include <ImfRgbaFile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "textures/ExrImage.h"

namespace {

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

std::optional<ExrImage> ReadExrImage(const std::filesystem::path& path)
{
    // The library opens whatever it is given and would block on a pipe.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    try {
        Imf::RgbaInputFile file(path.c_str());
        const Imath::Box2i window = file.dataWindow();
        const int64_t width = static_cast<int64_t>(window.max.x) - window.min.x + 1;
        const int64_t height = static_cast<int64_t>(window.max.y) - window.min.y + 1;
        if (width <= 0 || height <= 0 || width > kMaxExrSide || height > kMaxExrSide)
            return std::nullopt;

        ExrImage image;
        image.width = static_cast<uint32_t>(width);
        image.height = static_cast<uint32_t>(height);
        image.pixels.resize(static_cast<size_t>(width * height));
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
            uint32_t* out = image.pixels.data() + first * width;
            for (int64_t i = 0; i < count * width; ++i)
                out[i] = PackRgba(rows[static_cast<size_t>(i)]);
        }
        return image;
    } catch (...) {
        // The library reports unreadable and malformed files by throwing.
        return std::nullopt;
    }
}
