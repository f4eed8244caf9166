// Rasterises one line of text into an 8-bit coverage image with stb_truetype.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace host {

struct TextImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> coverage;  // width * height, top row first, 0 = empty, 255 = ink
};

// fontData is a whole font file; faceIndex picks a face in a collection. Characters outside
// ASCII are drawn as the font's missing-glyph shape. Returns nullopt for data that is not a
// usable font.
std::optional<TextImage> RasterizeLine(const std::vector<unsigned char>& fontData, int faceIndex,
                                       std::string_view text, float pixelHeight);

}  // namespace host
