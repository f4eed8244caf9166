#include "platform/InterfaceFont.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/RegularFile.h"
#include "platform/SystemFont.h"

// A private copy: the interface library carries its own, equally private.
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb_truetype.h>

namespace platform {

namespace {

// Large CJK collections stay below this; anything bigger is not a font we want.
constexpr size_t kMaxFontBytes = 64u << 20;

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
    const FileContents file = ReadRegularFile(path, maxBytes);
    std::vector<unsigned char> data(file.bytes.begin(), file.bytes.end());
    if (file.problem != FileProblem::None || !FaceOpens(data, faceIndex))
        return std::nullopt;
    return data;
}

std::optional<InterfaceFont> LoadInterfaceFont()
{
    const std::optional<SystemFontFile> match = MatchTrueTypeFont("Segoe UI");
    if (!match)
        return std::nullopt;
    std::optional<std::vector<unsigned char>> data =
        ReadFontFile(match->path, match->faceIndex, kMaxFontBytes);
    if (!data)
        return std::nullopt;
    return InterfaceFont{match->path, match->faceIndex, std::move(*data)};
}

}  // namespace platform
