#include "textures/DdsPixelFormatTables.h"

#include "textures/DxgiFormat.h"

namespace {

struct MaskRow {
    uint32_t flags;
    uint32_t bitCount;
    uint32_t r, g, b, a;
    uint32_t format;
    std::string_view label;
};

// Readable bit-mask layouts, in the order the labels are looked up.
constexpr MaskRow kMaskRows[] = {
    {0x41, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, DXGI_FORMAT_B8G8R8A8_UNORM,
     "DXGI_FORMAT_B8G8R8A8_UNORM"},
    {0x40, 32, 0xFF0000, 0xFF00, 0xFF, 0, DXGI_FORMAT_B8G8R8X8_UNORM, "DXGI_FORMAT_B8G8R8X8_UNORM"},
    {0x41, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000, DXGI_FORMAT_R8G8B8A8_UNORM,
     "DXGI_FORMAT_R8G8B8A8_UNORM"},
    {0x40, 32, 0xFFFF, 0xFFFF0000, 0, 0, DXGI_FORMAT_R16G16_UNORM, "DXGI_FORMAT_R16G16_UNORM"},
    {0x40, 16, 0xF800, 0x7E0, 0x1F, 0, DXGI_FORMAT_B5G6R5_UNORM, "DXGI_FORMAT_B5G6R5_UNORM"},
    {0x41, 16, 0x7C00, 0x3E0, 0x1F, 0x8000, DXGI_FORMAT_B5G5R5A1_UNORM,
     "DXGI_FORMAT_B5G5R5A1_UNORM"},
    {0x41, 16, 0xF00, 0xF0, 0xF, 0xF000, DXGI_FORMAT_B4G4R4A4_UNORM, "DXGI_FORMAT_B4G4R4A4_UNORM"},
    {0x2, 8, 0, 0, 0, 0xFF, DXGI_FORMAT_A8_UNORM, "DXGI_FORMAT_A8_UNORM"},
    {0x41, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000, DXGI_FORMAT_R10G10B10A2_UNORM,
     "DXGI_FORMAT_R10G10B10A2_UNORM"},
    {0x40, 32, 0xFFFFFFFF, 0, 0, 0, DXGI_FORMAT_R32_FLOAT, "DXGI_FORMAT_R32_FLOAT"},
    {0x20000, 8, 0xFF, 0, 0, 0, DXGI_FORMAT_R8_UNORM, "DXGI_FORMAT_R8_UNORM (L8)"},
    {0x20000, 16, 0xFFFF, 0, 0, 0, DXGI_FORMAT_R16_UNORM, "DXGI_FORMAT_R16_UNORM (L16)"},
    {0x20001, 16, 0xFF, 0, 0, 0xFF00, DXGI_FORMAT_R8G8_UNORM, "DXGI_FORMAT_R8G8_UNORM (A8L8)"},
};

struct CodeRow {
    uint32_t code;
    uint32_t format;
    std::string_view label;
};

constexpr CodeRow kCodeRows[] = {
    {MakeFourCC('D', 'X', 'T', '1'), DXGI_FORMAT_BC1_UNORM, "DXGI_FORMAT_BC1_UNORM"},
    {MakeFourCC('D', 'X', 'T', '3'), DXGI_FORMAT_BC2_UNORM, "DXGI_FORMAT_BC2_UNORM"},
    {MakeFourCC('D', 'X', 'T', '5'), DXGI_FORMAT_BC3_UNORM, "DXGI_FORMAT_BC3_UNORM"},
    {MakeFourCC('D', 'X', 'T', '2'), DXGI_FORMAT_BC2_UNORM, "D3DFMT_DXT2 (BC2)"},
    {MakeFourCC('D', 'X', 'T', '4'), DXGI_FORMAT_BC3_UNORM, "D3DFMT_DXT4 (BC3)"},
    {MakeFourCC('B', 'C', '4', 'U'), DXGI_FORMAT_BC4_UNORM, "DXGI_FORMAT_BC4_UNORM"},
    {MakeFourCC('A', 'T', 'I', '1'), DXGI_FORMAT_BC4_UNORM, "DXGI_FORMAT_BC4_UNORM"},
    {MakeFourCC('B', 'C', '4', 'S'), DXGI_FORMAT_BC4_SNORM, "DXGI_FORMAT_BC4_SNORM"},
    {MakeFourCC('B', 'C', '5', 'U'), DXGI_FORMAT_BC5_UNORM, "DXGI_FORMAT_BC5_UNORM"},
    {MakeFourCC('A', 'T', 'I', '2'), DXGI_FORMAT_BC5_UNORM, "DXGI_FORMAT_BC5_UNORM"},
    {MakeFourCC('B', 'C', '5', 'S'), DXGI_FORMAT_BC5_SNORM, "DXGI_FORMAT_BC5_SNORM"},
    {MakeFourCC('R', 'G', 'B', 'G'), DXGI_FORMAT_R8G8_B8G8_UNORM, "DXGI_FORMAT_R8G8_B8G8_UNORM"},
    {MakeFourCC('G', 'R', 'G', 'B'), DXGI_FORMAT_G8R8_G8B8_UNORM, "DXGI_FORMAT_G8R8_G8B8_UNORM"},
    {MakeFourCC('Y', 'U', 'Y', '2'), DXGI_FORMAT_YUY2, "D3DFMT_YUY2"},
    {36, DXGI_FORMAT_R16G16B16A16_UNORM, "DXGI_FORMAT_R16G16B16A16_UNORM"},
    {110, DXGI_FORMAT_R16G16B16A16_SNORM, "DXGI_FORMAT_R16G16B16A16_SNORM"},
    {111, DXGI_FORMAT_R16_FLOAT, "DXGI_FORMAT_R16_FLOAT"},
    {112, DXGI_FORMAT_R16G16_FLOAT, "DXGI_FORMAT_R16G16_FLOAT"},
    {113, DXGI_FORMAT_R16G16B16A16_FLOAT, "DXGI_FORMAT_R16G16B16A16_FLOAT"},
    {114, DXGI_FORMAT_R32_FLOAT, "DXGI_FORMAT_R32_FLOAT"},
    {115, DXGI_FORMAT_R32G32_FLOAT, "DXGI_FORMAT_R32G32_FLOAT"},
    {116, DXGI_FORMAT_R32G32B32A32_FLOAT, "DXGI_FORMAT_R32G32B32A32_FLOAT"},
};

const CodeRow* FindCode(uint32_t code)
{
    for (const CodeRow& row : kCodeRows) {
        if (row.code == code)
            return &row;
    }
    return nullptr;
}

bool SameMasks(const DdsPixelFormat& pf, uint32_t r, uint32_t g, uint32_t b, uint32_t a)
{
    return pf.rBitMask == r && pf.gBitMask == g && pf.bBitMask == b && pf.aBitMask == a;
}

// Rows of one flag group (RGB or luminance) whose bit count and masks match exactly.
uint32_t FindMaskFormat(const DdsPixelFormat& pf, uint32_t groupFlag)
{
    for (const MaskRow& row : kMaskRows) {
        if ((row.flags & groupFlag) && row.bitCount == pf.rgbBitCount &&
            SameMasks(pf, row.r, row.g, row.b, row.a))
            return row.format;
    }
    return DXGI_FORMAT_UNKNOWN;
}

}  // namespace

uint32_t DxgiFormatFromPixelFormat(const DdsPixelFormat& pf)
{
    if (pf.flags & kDdpfRgb)
        return FindMaskFormat(pf, kDdpfRgb);
    if (pf.flags & kDdpfLuminance)
        return FindMaskFormat(pf, kDdpfLuminance);
    if (pf.flags & kDdpfAlpha)
        return pf.rgbBitCount == 8 ? DXGI_FORMAT_A8_UNORM : DXGI_FORMAT_UNKNOWN;
    if (pf.flags & kDdpfFourCC) {
        const CodeRow* row = FindCode(pf.fourCC);
        return row ? row->format : DXGI_FORMAT_UNKNOWN;
    }
    return DXGI_FORMAT_UNKNOWN;
}

std::optional<Rgb24Order> Rgb24Layout(const DdsPixelFormat& pf)
{
    if (!(pf.flags & kDdpfRgb) || pf.rgbBitCount != 24)
        return std::nullopt;
    if (SameMasks(pf, 0xFF0000, 0xFF00, 0xFF, 0))
        return Rgb24Order::Bgr;
    if (SameMasks(pf, 0xFF, 0xFF00, 0xFF0000, 0))
        return Rgb24Order::Rgb;
    return std::nullopt;
}

std::string_view FourCCLabel(uint32_t fourCC)
{
    const CodeRow* row = FindCode(fourCC);
    return row ? row->label : std::string_view();
}

std::string_view BitMaskLabel(const DdsPixelFormat& pf)
{
    for (const MaskRow& row : kMaskRows) {
        if ((row.flags & pf.flags) && SameMasks(pf, row.r, row.g, row.b, row.a))
            return row.label;
    }
    return {};
}

std::string DdsTypeName(const DdsHeader& header, const DdsHeaderDx10* dx10)
{
    if (dx10 && HasDx10Header(header))
        return std::string(DxgiFormatName(dx10->dxgiFormat));
    if (header.pixelFormat.flags & kDdpfFourCC) {
        std::string_view label = FourCCLabel(header.pixelFormat.fourCC);
        if (!label.empty())
            return std::string(label);
    }
    return "N/A";
}
