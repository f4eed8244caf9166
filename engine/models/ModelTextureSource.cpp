#include "models/ModelTextureSource.h"

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
