// Reads one image file and uploads it: as DDS, PNG or JPEG when its first bytes say so,
// whatever its name; otherwise by its extension as TGA or EXR. Each failure writes its own line in
// the log, in the words users know.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "graphics/gpu/GpuForward.h"

struct LoadedTexture {
    ShaderResourceViewPtr view;  // null when the file could not be used
    std::string typeName = "N/A";
    uint32_t mipCount = 0;
};

// Runs the given creation with a GL context current and returns its view; null when no
// context can be had.
using TextureUploader =
    std::function<ShaderResourceViewPtr(const std::function<ShaderResourceViewPtr()>& create)>;

// `path` is resolved already. Only what the file's header claims is read, and a file
// whose type its first bytes rule out is not read at all.
LoadedTexture LoadTextureFile(const std::filesystem::path& path, const TextureUploader& upload);

// An image held in memory (a model's embedded texture): PNG, JPEG or DDS by its first
// bytes, TGA when `extension` (".tga") says so. `name` stands for the file in the log.
LoadedTexture LoadTextureBytes(std::span<const uint8_t> bytes, std::string_view extension,
                               std::string_view name, const TextureUploader& upload);
