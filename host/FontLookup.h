// Finds a sans-serif TrueType font on the system for the start screen's line of text.
#pragma once

#include <optional>
#include <string>

namespace host {

struct FontFile {
    std::string path;
    int faceIndex = 0;  // face within a collection file
};

// Asks fontconfig for "sans-serif" and accepts what it substitutes if it is TrueType.
std::optional<FontFile> FindSansSerifFont();

}  // namespace host
