#include "textures/DdsSurfaceSize.h"

#include <algorithm>

#include "textures/DxgiFormat.h"

namespace {

uint32_t BlockBytes(uint32_t format)
{
    switch (format) {
        case DXGI_FORMAT_BC1_TYPELESS:
        case DXGI_FORMAT_BC1_UNORM:
        case DXGI_FORMAT_BC1_UNORM_SRGB:
        case DXGI_FORMAT_BC4_TYPELESS:
        case DXGI_FORMAT_BC4_UNORM:
        case DXGI_FORMAT_BC4_SNORM:
            return 8;
        default:
            return IsBlockCompressed(format) ? 16 : 0;
    }
}

}  // namespace

DdsSurfaceSize ComputeSurfaceSize(uint32_t format, uint32_t width, uint32_t height)
{
    const uint64_t w = width;
    const uint64_t h = height;
    DdsSurfaceSize size;

    if (uint32_t blockBytes = BlockBytes(format)) {
        const uint64_t blocksWide = w > 0 ? std::max<uint64_t>(1, (w + 3) / 4) : 0;
        const uint64_t blocksHigh = h > 0 ? std::max<uint64_t>(1, (h + 3) / 4) : 0;
        size.rowBytes = blocksWide * blockBytes;
        size.surfaceBytes = size.rowBytes * blocksHigh;
        return size;
    }

    uint64_t rowCount = h;
    switch (format) {
        case DXGI_FORMAT_R8G8_B8G8_UNORM:
        case DXGI_FORMAT_G8R8_G8B8_UNORM:
        case DXGI_FORMAT_YUY2:
            size.rowBytes = ((w + 1) / 2) * 4;
            break;
        case DXGI_FORMAT_Y210:
        case DXGI_FORMAT_Y216:
            size.rowBytes = ((w + 1) / 2) * 8;
            break;
        case DXGI_FORMAT_NV11:
            size.rowBytes = ((w + 3) / 4) * 4;
            rowCount = h * 2;
            break;
        case DXGI_FORMAT_NV12:
        case DXGI_FORMAT_420_OPAQUE:
        case DXGI_FORMAT_P010:
        case DXGI_FORMAT_P016: {
            const uint64_t elementBytes =
                (format == DXGI_FORMAT_P010 || format == DXGI_FORMAT_P016) ? 4 : 2;
            size.rowBytes = ((w + 1) / 2) * elementBytes;
            size.surfaceBytes = size.rowBytes * h + (size.rowBytes * h) / 2;
            return size;
        }
        default: {
            const uint32_t bits = DxgiBitsPerPixel(format);
            if (bits == 0)
                return size;
            size.rowBytes = (w * bits + 7) / 8;
            break;
        }
    }
    size.surfaceBytes = size.rowBytes * rowCount;
    return size;
}
