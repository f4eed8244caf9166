// One texture of the engine as the shaders and the debug interface see it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "graphics/gpu/GpuForward.h"

struct TextureRecord {
    ShaderResourceViewPtr view;  // null only for a failed built-in
    std::string typeName = "N/A";
    float secondarySize[2] = {0.0f, 0.0f};
    float size[2] = {0.0f, 0.0f};
    uint8_t isBuiltIn = 0;
    uint32_t mipCount = 0;
    uint32_t displayedMipLevel = 0;
    // The file it was loaded from, as the system spells it; a built-in's or a failed
    // load's name ("WhiteSquare", "Failed") otherwise.
    std::filesystem::path name = "undefined";
    // The file a load read, failed or not (a failed one is watched, so that a file fixed on
    // disk replaces the checkerboard); empty for built-ins and embedded images.
    std::filesystem::path file;
};
