// Bytes per row and per surface of one mip level, for every DXGI format.
#pragma once

#include <cstdint>

struct DdsSurfaceSize {
    uint64_t rowBytes = 0;
    uint64_t surfaceBytes = 0;
};

// Formats with 0 bits per pixel give all zeros.
DdsSurfaceSize ComputeSurfaceSize(uint32_t format, uint32_t width, uint32_t height);
