// What a dropped image is, for the dropped-texture popup: its size, its format and
// whether it holds a cube map, so the popup can recommend "As Cubemap".
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

struct ImageDescription {
    bool readable = false;  // the file could be read as the image its extension names
    uint32_t width = 0;
    uint32_t height = 0;
    std::string formatName;  // DDS type name, or "TGA"
    bool isCubeMap = false;

    // Lines for the popup, e.g. "256 x 256\nDXGI_FORMAT_BC1_UNORM\nCube map".
    std::string Text() const;
};

// Only the extension "dds" (exact case) is examined as DDS, and only "tga" and "TGA" as
// TGA; any other file is described as unreadable. A DDS file counts as a cube map when it
// loads and its caps2 field is not 0 (volumes included). Nothing is logged.
ImageDescription DescribeDroppedImage(const std::filesystem::path& path);
