#include "textures/DxgiFormat.h"

namespace {

struct FormatInfo {
    uint32_t value;
    std::string_view name;
    uint32_t bitsPerPixel;
};

constexpr FormatInfo kFormats[] = {
#define VORNIS_DXGI_INFO(name, value, bits) {value, "DXGI_FORMAT_" #name, bits},
    VORNIS_DXGI_FORMATS(VORNIS_DXGI_INFO)
#undef VORNIS_DXGI_INFO
};

const FormatInfo* FindFormat(uint32_t format)
{
    for (const FormatInfo& info : kFormats) {
        if (info.value == format)
            return &info;
    }
    return nullptr;
}

}  // namespace

std::string_view DxgiFormatName(uint32_t format)
{
    const FormatInfo* info = FindFormat(format);
    return info ? info->name : std::string_view("UNKNOWN");
}

uint32_t DxgiBitsPerPixel(uint32_t format)
{
    const FormatInfo* info = FindFormat(format);
    return info ? info->bitsPerPixel : 0;
}

bool IsBlockCompressed(uint32_t format)
{
    return (format >= DXGI_FORMAT_BC1_TYPELESS && format <= DXGI_FORMAT_BC5_SNORM) ||
           (format >= DXGI_FORMAT_BC6H_TYPELESS && format <= DXGI_FORMAT_BC7_UNORM_SRGB);
}
