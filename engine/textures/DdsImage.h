// A DDS file taken apart for upload: what texture to create and where each subresource's
// texels lie inside the file's bytes. Nothing is converted or copied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "textures/DdsLayout.h"

enum class DdsDimension : uint32_t {
    Texture1D = 1,
    Texture2D = 2,
    Texture3D = 3,
};

struct DdsSubresource {
    uint32_t arraySlice = 0;  // cube faces count as slices, in +X, -X, +Y, -Y, +Z, -Z order
    uint32_t mipLevel = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 0;
    uint64_t rowBytes = 0;
    uint64_t surfaceBytes = 0;      // one depth slice
    std::span<const uint8_t> data;  // surfaceBytes x depth
};

struct DdsImage {
    DdsDimension dimension = DdsDimension::Texture2D;
    uint32_t format = 0;  // DXGI format
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 0;
    uint32_t arraySize = 0;  // cube maps: 6 per cube
    uint32_t mipCount = 0;   // levels present in `subresources` per slice
    bool isCube = false;
    // Array slice major, mip level minor, as Direct3D numbers subresources.
    std::vector<DdsSubresource> subresources;

    const DdsSubresource& At(uint32_t slice, uint32_t mip) const
    {
        return subresources[static_cast<size_t>(slice) * mipCount + mip];
    }
};
