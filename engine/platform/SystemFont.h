// Asks fontconfig for a font family and accepts what it substitutes when that is TrueType:
// the only outlines the rasteriser reads. Shared by the engine's interface and the host's
// start screen.
#pragma once

#include <optional>
#include <string>

namespace platform {

struct SystemFontFile {
    std::string path;
    int faceIndex = 0;  // face within a collection file
};

std::optional<SystemFontFile> MatchTrueTypeFont(const char* family);

}  // namespace platform
