// The debug interface's font: the system's "Segoe UI" or the sans-serif face fontconfig
// substitutes for it (DejaVu Sans on Debian), read and checked before the interface uses it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

struct InterfaceFont {
    std::string path;
    int faceIndex = 0;                // face within a collection file
    std::vector<unsigned char> data;  // the whole file
};

// Null when fontconfig offers no TrueType face, or the file cannot be read or is no font
// that the rasteriser can open. The interface then uses its built-in font.
std::optional<InterfaceFont> LoadInterfaceFont();

// Reads a font file of at most `maxBytes` and checks that face `faceIndex` opens.
std::optional<std::vector<unsigned char>> ReadFontFile(const std::string& path, int faceIndex,
                                                       size_t maxBytes);

}  // namespace platform
