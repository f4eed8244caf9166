#include "platform/InterfaceFont.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>

// A private copy: the interface library carries its own, equally private.
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb_truetype.h>

namespace platform {

namespace {

// Large CJK collections stay below this; anything bigger is not a font we want.
constexpr size_t kMaxFontBytes = 64u << 20;

struct FontMatch {
    std::string path;
    int faceIndex = 0;
};

std::optional<FontMatch> MatchSegoeUi()
{
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config)
        return std::nullopt;
    std::optional<FontMatch> found;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("Segoe UI"));
    if (pattern) {
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
            FcChar8* file = nullptr;
            FcChar8* format = nullptr;
            int index = 0;
            // The interface rasterises TrueType outlines only.
            if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
                FcPatternGetString(match, FC_FONTFORMAT, 0, &format) == FcResultMatch &&
                std::strcmp(reinterpret_cast<const char*>(format), "TrueType") == 0) {
                FcPatternGetInteger(match, FC_INDEX, 0, &index);
                found = FontMatch{reinterpret_cast<const char*>(file), index};
            }
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
    }
    FcConfigDestroy(config);
    return found;
}

bool FaceOpens(const std::vector<unsigned char>& data, int faceIndex)
{
    // stb_truetype trusts its input: check what it would read before it reads it.
    if (data.size() < 12 || faceIndex < 0)
        return false;
    const bool collection = std::equal(data.begin(), data.begin() + 4, "ttcf");
    if (collection && data.size() < 16 + 4 * static_cast<size_t>(faceIndex))
        return false;
    if (!collection && faceIndex != 0)
        return false;
    const int offset = stbtt_GetFontOffsetForIndex(data.data(), faceIndex);
    if (offset < 0 || static_cast<size_t>(offset) + 12 > data.size())
        return false;
    stbtt_fontinfo font;
    return stbtt_InitFont(&font, data.data(), offset) != 0;
}

}  // namespace

std::optional<std::vector<unsigned char>> ReadFontFile(const std::string& path, int faceIndex,
                                                       size_t maxBytes)
{
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file)
        return std::nullopt;
    const std::streamoff size = file.tellg();
    if (size <= 0 || static_cast<uint64_t>(size) > maxBytes)
        return std::nullopt;
    std::vector<unsigned char> data(static_cast<size_t>(size));
    file.seekg(0);
    if (!file.read(reinterpret_cast<char*>(data.data()), size))
        return std::nullopt;
    if (!FaceOpens(data, faceIndex))
        return std::nullopt;
    return data;
}

std::optional<InterfaceFont> LoadInterfaceFont()
{
    const std::optional<FontMatch> match = MatchSegoeUi();
    if (!match)
        return std::nullopt;
    std::optional<std::vector<unsigned char>> data =
        ReadFontFile(match->path, match->faceIndex, kMaxFontBytes);
    if (!data)
        return std::nullopt;
    return InterfaceFont{match->path, match->faceIndex, std::move(*data)};
}

}  // namespace platform
