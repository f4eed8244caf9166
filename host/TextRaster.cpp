#include "TextRaster.h"

#include <algorithm>
#include <cmath>

// The implementation stays private to this file so that it never clashes with another copy
// linked into the same program.
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb_truetype.h>

namespace host {

namespace {

constexpr int kMaxLineWidth = 16384;

int CodepointOf(char c)
{
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte < 0x80 ? byte : 0xFFFD;
}

}  // namespace

std::optional<TextImage> RasterizeLine(const std::vector<unsigned char>& fontData, int faceIndex,
                                       std::string_view text, float pixelHeight)
{
    if (fontData.empty() || faceIndex < 0 || pixelHeight <= 0.0f)
        return std::nullopt;
    // stb_truetype trusts its input; reject what it would misread before handing it over.
    if (fontData.size() < 12 || fontData.size() > static_cast<size_t>(INT32_MAX))
        return std::nullopt;
    // A collection's offset table must hold the face asked for before stb reads from it.
    const bool collection = std::equal(fontData.begin(), fontData.begin() + 4, "ttcf");
    if (collection && fontData.size() < 16 + 4 * static_cast<size_t>(faceIndex))
        return std::nullopt;
    const int offset = stbtt_GetFontOffsetForIndex(fontData.data(), faceIndex);
    if (offset < 0 || static_cast<size_t>(offset) >= fontData.size())
        return std::nullopt;
    stbtt_fontinfo font;
    if (!stbtt_InitFont(&font, fontData.data(), offset))
        return std::nullopt;

    const float scale = stbtt_ScaleForPixelHeight(&font, pixelHeight);
    int ascent = 0, descent = 0, lineGap = 0;
    stbtt_GetFontVMetrics(&font, &ascent, &descent, &lineGap);
    const int baseline = static_cast<int>(std::ceil(ascent * scale));

    TextImage image;
    image.height = baseline + static_cast<int>(std::ceil(-descent * scale)) + 1;
    float advance = 0.0f;
    for (size_t i = 0; i < text.size(); ++i) {
        int glyphAdvance = 0, bearing = 0;
        stbtt_GetCodepointHMetrics(&font, CodepointOf(text[i]), &glyphAdvance, &bearing);
        advance += glyphAdvance * scale;
        if (i + 1 < text.size())
            advance += scale * stbtt_GetCodepointKernAdvance(&font, CodepointOf(text[i]),
                                                             CodepointOf(text[i + 1]));
    }
    image.width = std::clamp(static_cast<int>(std::ceil(advance)) + 2, 1, kMaxLineWidth);
    if (image.height <= 0 || image.height > kMaxLineWidth)
        return std::nullopt;
    image.coverage.assign(static_cast<size_t>(image.width) * image.height, 0);

    float penX = 1.0f;
    std::vector<unsigned char> glyph;
    for (size_t i = 0; i < text.size(); ++i) {
        const int codepoint = CodepointOf(text[i]);
        const float shiftX = penX - std::floor(penX);
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        stbtt_GetCodepointBitmapBoxSubpixel(&font, codepoint, scale, scale, shiftX, 0.0f, &x0, &y0,
                                            &x1, &y1);
        const int glyphWidth = x1 - x0;
        const int glyphHeight = y1 - y0;
        if (glyphWidth > 0 && glyphHeight > 0 && glyphWidth <= kMaxLineWidth &&
            glyphHeight <= kMaxLineWidth) {
            glyph.assign(static_cast<size_t>(glyphWidth) * glyphHeight, 0);
            stbtt_MakeCodepointBitmapSubpixel(&font, glyph.data(), glyphWidth, glyphHeight,
                                              glyphWidth, scale, scale, shiftX, 0.0f, codepoint);
            const int left = static_cast<int>(std::floor(penX)) + x0;
            const int top = baseline + y0;
            for (int gy = 0; gy < glyphHeight; ++gy) {
                const int y = top + gy;
                if (y < 0 || y >= image.height)
                    continue;
                for (int gx = 0; gx < glyphWidth; ++gx) {
                    const int x = left + gx;
                    if (x < 0 || x >= image.width)
                        continue;
                    uint8_t& pixel = image.coverage[static_cast<size_t>(y) * image.width + x];
                    pixel =
                        std::max<uint8_t>(pixel, glyph[static_cast<size_t>(gy) * glyphWidth + gx]);
                }
            }
        }
        int glyphAdvance = 0, bearing = 0;
        stbtt_GetCodepointHMetrics(&font, codepoint, &glyphAdvance, &bearing);
        penX += glyphAdvance * scale;
        if (i + 1 < text.size())
            penX +=
                scale * stbtt_GetCodepointKernAdvance(&font, codepoint, CodepointOf(text[i + 1]));
    }
    return image;
}

}  // namespace host
