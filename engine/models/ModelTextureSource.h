// Where a model gets its textures from: the texture manager's, given to the importer and
// the scene by their owner. Without one, models keep empty texture slots.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

#include "platform/MessageLevel.h"
#include "textures/MaterialMapPacking.h"
#include "textures/MaterialTexel.h"
#include "textures/TextureHandle.h"

struct ModelTextureSource {
    // Loads a texture file; never null for a file that reaches a loader (a failed load
    // gives a failure record).
    std::function<TextureHandle(const std::filesystem::path& path)> loadTexture;
    // Loads a sky file: cube maps as loadTexture does, HDR panoramas made into cube maps.
    std::function<TextureHandle(const std::filesystem::path& path)> loadSky;
    // The same for a file found beside the model; null (after a note in the log) for a
    // file whose first bytes say it is no image.
    std::function<TextureHandle(const std::filesystem::path& path)> loadDiscoveredTexture;
    // An image the model file holds (PNG, JPEG or DDS bytes, or TGA when `extension` is
    // ".tga"); `name` stands for its file. Never null: bytes that cannot be used give a
    // failure record.
    std::function<TextureHandle(const std::filesystem::path& name, const std::string& extension,
                                std::span<const uint8_t> bytes)>
        loadTextureBytes;
    // 1 x 1 textures: one RGBA8 texel, and a material's values in the packing in effect.
    std::function<TextureHandle(uint32_t texel)> colourTexture;
    std::function<TextureHandle(const MaterialValues& values)> materialTexture;
    // A material texture from roughness and metalness maps (PNG, JPEG) and values.
    std::function<TextureHandle(const MaterialMaps& maps)> materialMapsTexture;
    // Notes about the textures a model gets, for the engine's log.
    std::function<void(const std::string& text, MessageLevel level)> report;
    // While on, the calling thread's loads of one file share one record.
    std::function<void(bool on)> shareLoads;
    TextureHandle whiteSquare;
    TextureHandle blackSquare;
    TextureHandle errorTexture;
    TextureHandle defaultNormalMap;
};

// While it lives, the calling thread's loads through `source` share one record per file:
// one read, decode and upload, however many meshes and blocks take the file.
class TextureLoadSharing {
   public:
    explicit TextureLoadSharing(const ModelTextureSource* source);
    ~TextureLoadSharing();
    TextureLoadSharing(const TextureLoadSharing&) = delete;
    TextureLoadSharing& operator=(const TextureLoadSharing&) = delete;

   private:
    const ModelTextureSource* source;
};
