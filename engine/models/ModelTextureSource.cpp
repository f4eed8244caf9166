#include "models/ModelTextureSource.h"

#include <atomic>

namespace {
std::atomic<const ModelTextureSource*> installedSource{nullptr};
}

void SetModelTextureSource(const ModelTextureSource* source)
{
    installedSource.store(source, std::memory_order_release);
}

const ModelTextureSource* GetModelTextureSource()
{
    return installedSource.load(std::memory_order_acquire);
}

TextureLoadSharing::TextureLoadSharing(const ModelTextureSource* source) : source(source)
{
    if (source && source->shareLoads)
        source->shareLoads(true);
}

TextureLoadSharing::~TextureLoadSharing()
{
    if (source && source->shareLoads)
        source->shareLoads(false);
}
