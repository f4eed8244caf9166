// Where a model gets its textures from. The texture manager installs itself here; until
// one is installed, models keep empty texture slots.
#pragma once

#include <functional>
#include <string>

struct TextureRecord;

struct ModelTextureSource {
    // Loads a texture file; never null for a file that reaches a loader (a failed load
    // gives a failure record).
    std::function<TextureRecord*(const std::u16string& path)> loadTexture;
    // While on, decoded Targa images are kept and reused; switching off empties the cache.
    std::function<void(bool on)> cacheTargaImages;
    TextureRecord* whiteSquare = nullptr;
    TextureRecord* blackSquare = nullptr;
    TextureRecord* errorTexture = nullptr;
    TextureRecord* defaultNormalMap = nullptr;
};

// Installs the source every later model load uses (nullptr removes it). Install before
// the first load starts; loads read it from their own threads.
void SetModelTextureSource(const ModelTextureSource* source);
const ModelTextureSource* GetModelTextureSource();
