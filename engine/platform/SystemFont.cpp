#include "platform/SystemFont.h"

#include <fontconfig/fontconfig.h>

#include <cstring>

namespace platform {

std::optional<SystemFontFile> MatchTrueTypeFont(const char* family)
{
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config)
        return std::nullopt;
    std::optional<SystemFontFile> found;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
    if (pattern) {
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
            FcChar8* file = nullptr;
            FcChar8* format = nullptr;
            int index = 0;
            if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
                FcPatternGetString(match, FC_FONTFORMAT, 0, &format) == FcResultMatch &&
                std::strcmp(reinterpret_cast<const char*>(format), "TrueType") == 0) {
                FcPatternGetInteger(match, FC_INDEX, 0, &index);
                found = SystemFontFile{reinterpret_cast<const char*>(file), index};
            }
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
    }
    FcConfigDestroy(config);
    return found;
}

}  // namespace platform
