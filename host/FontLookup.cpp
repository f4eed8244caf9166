#include "FontLookup.h"

#include <fontconfig/fontconfig.h>

#include <cstring>

namespace host {

std::optional<FontFile> FindSansSerifFont()
{
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config)
        return std::nullopt;
    std::optional<FontFile> found;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    if (pattern) {
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(config, pattern, &result);
        if (match) {
            FcChar8* file = nullptr;
            FcChar8* format = nullptr;
            int index = 0;
            // stb_truetype reads TrueType outlines only; other formats would draw nothing.
            if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
                FcPatternGetString(match, FC_FONTFORMAT, 0, &format) == FcResultMatch &&
                std::strcmp(reinterpret_cast<const char*>(format), "TrueType") == 0) {
                FcPatternGetInteger(match, FC_INDEX, 0, &index);
                found = FontFile{reinterpret_cast<const char*>(file), index};
            }
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
    }
    FcConfigDestroy(config);
    return found;
}

}  // namespace host
