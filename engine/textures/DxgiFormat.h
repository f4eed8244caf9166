// The DXGI pixel formats that DDS files name, with their names and texel sizes.
// DDS files carry these values verbatim, so the enumeration keeps the DXGI numbers.
#pragma once

#include <cstdint>
#include <string_view>

// X(name, value, bits per pixel); 0 bits marks a value that cannot hold texels.
#define VORNIS_DXGI_FORMATS(X)                 \
    X(UNKNOWN, 0, 0)                           \
    X(R32G32B32A32_TYPELESS, 1, 128)           \
    X(R32G32B32A32_FLOAT, 2, 128)              \
    X(R32G32B32A32_UINT, 3, 128)               \
    X(R32G32B32A32_SINT, 4, 128)               \
    X(R32G32B32_TYPELESS, 5, 96)               \
    X(R32G32B32_FLOAT, 6, 96)                  \
    X(R32G32B32_UINT, 7, 96)                   \
    X(R32G32B32_SINT, 8, 96)                   \
    X(R16G16B16A16_TYPELESS, 9, 64)            \
    X(R16G16B16A16_FLOAT, 10, 64)              \
    X(R16G16B16A16_UNORM, 11, 64)              \
    X(R16G16B16A16_UINT, 12, 64)               \
    X(R16G16B16A16_SNORM, 13, 64)              \
    X(R16G16B16A16_SINT, 14, 64)               \
    X(R32G32_TYPELESS, 15, 64)                 \
    X(R32G32_FLOAT, 16, 64)                    \
    X(R32G32_UINT, 17, 64)                     \
    X(R32G32_SINT, 18, 64)                     \
    X(R32G8X24_TYPELESS, 19, 64)               \
    X(D32_FLOAT_S8X24_UINT, 20, 64)            \
    X(R32_FLOAT_X8X24_TYPELESS, 21, 64)        \
    X(X32_TYPELESS_G8X24_UINT, 22, 64)         \
    X(R10G10B10A2_TYPELESS, 23, 32)            \
    X(R10G10B10A2_UNORM, 24, 32)               \
    X(R10G10B10A2_UINT, 25, 32)                \
    X(R11G11B10_FLOAT, 26, 32)                 \
    X(R8G8B8A8_TYPELESS, 27, 32)               \
    X(R8G8B8A8_UNORM, 28, 32)                  \
    X(R8G8B8A8_UNORM_SRGB, 29, 32)             \
    X(R8G8B8A8_UINT, 30, 32)                   \
    X(R8G8B8A8_SNORM, 31, 32)                  \
    X(R8G8B8A8_SINT, 32, 32)                   \
    X(R16G16_TYPELESS, 33, 32)                 \
    X(R16G16_FLOAT, 34, 32)                    \
    X(R16G16_UNORM, 35, 32)                    \
    X(R16G16_UINT, 36, 32)                     \
    X(R16G16_SNORM, 37, 32)                    \
    X(R16G16_SINT, 38, 32)                     \
    X(R32_TYPELESS, 39, 32)                    \
    X(D32_FLOAT, 40, 32)                       \
    X(R32_FLOAT, 41, 32)                       \
    X(R32_UINT, 42, 32)                        \
    X(R32_SINT, 43, 32)                        \
    X(R24G8_TYPELESS, 44, 32)                  \
    X(D24_UNORM_S8_UINT, 45, 32)               \
    X(R24_UNORM_X8_TYPELESS, 46, 32)           \
    X(X24_TYPELESS_G8_UINT, 47, 32)            \
    X(R8G8_TYPELESS, 48, 16)                   \
    X(R8G8_UNORM, 49, 16)                      \
    X(R8G8_UINT, 50, 16)                       \
    X(R8G8_SNORM, 51, 16)                      \
    X(R8G8_SINT, 52, 16)                       \
    X(R16_TYPELESS, 53, 16)                    \
    X(R16_FLOAT, 54, 16)                       \
    X(D16_UNORM, 55, 16)                       \
    X(R16_UNORM, 56, 16)                       \
    X(R16_UINT, 57, 16)                        \
    X(R16_SNORM, 58, 16)                       \
    X(R16_SINT, 59, 16)                        \
    X(R8_TYPELESS, 60, 8)                      \
    X(R8_UNORM, 61, 8)                         \
    X(R8_UINT, 62, 8)                          \
    X(R8_SNORM, 63, 8)                         \
    X(R8_SINT, 64, 8)                          \
    X(A8_UNORM, 65, 8)                         \
    X(R1_UNORM, 66, 1)                         \
    X(R9G9B9E5_SHAREDEXP, 67, 32)              \
    X(R8G8_B8G8_UNORM, 68, 32)                 \
    X(G8R8_G8B8_UNORM, 69, 32)                 \
    X(BC1_TYPELESS, 70, 4)                     \
    X(BC1_UNORM, 71, 4)                        \
    X(BC1_UNORM_SRGB, 72, 4)                   \
    X(BC2_TYPELESS, 73, 8)                     \
    X(BC2_UNORM, 74, 8)                        \
    X(BC2_UNORM_SRGB, 75, 8)                   \
    X(BC3_TYPELESS, 76, 8)                     \
    X(BC3_UNORM, 77, 8)                        \
    X(BC3_UNORM_SRGB, 78, 8)                   \
    X(BC4_TYPELESS, 79, 4)                     \
    X(BC4_UNORM, 80, 4)                        \
    X(BC4_SNORM, 81, 4)                        \
    X(BC5_TYPELESS, 82, 8)                     \
    X(BC5_UNORM, 83, 8)                        \
    X(BC5_SNORM, 84, 8)                        \
    X(B5G6R5_UNORM, 85, 16)                    \
    X(B5G5R5A1_UNORM, 86, 16)                  \
    X(B8G8R8A8_UNORM, 87, 32)                  \
    X(B8G8R8X8_UNORM, 88, 32)                  \
    X(R10G10B10_XR_BIAS_A2_UNORM, 89, 32)      \
    X(B8G8R8A8_TYPELESS, 90, 32)               \
    X(B8G8R8A8_UNORM_SRGB, 91, 32)             \
    X(B8G8R8X8_TYPELESS, 92, 32)               \
    X(B8G8R8X8_UNORM_SRGB, 93, 32)             \
    X(BC6H_TYPELESS, 94, 8)                    \
    X(BC6H_UF16, 95, 8)                        \
    X(BC6H_SF16, 96, 8)                        \
    X(BC7_TYPELESS, 97, 8)                     \
    X(BC7_UNORM, 98, 8)                        \
    X(BC7_UNORM_SRGB, 99, 8)                   \
    X(AYUV, 100, 32)                           \
    X(Y410, 101, 32)                           \
    X(Y416, 102, 64)                           \
    X(NV12, 103, 12)                           \
    X(P010, 104, 24)                           \
    X(P016, 105, 24)                           \
    X(420_OPAQUE, 106, 12)                     \
    X(YUY2, 107, 32)                           \
    X(Y210, 108, 64)                           \
    X(Y216, 109, 64)                           \
    X(NV11, 110, 12)                           \
    X(AI44, 111, 8)                            \
    X(IA44, 112, 8)                            \
    X(P8, 113, 8)                              \
    X(A8P8, 114, 16)                           \
    X(B4G4R4A4_UNORM, 115, 16)                 \
    X(P208, 130, 16)                           \
    X(V208, 131, 16)                           \
    X(V408, 132, 24)                           \
    X(SAMPLER_FEEDBACK_MIN_MIP_OPAQUE, 189, 0) \
    X(SAMPLER_FEEDBACK_MIP_REGION_USED_OPAQUE, 190, 0)

enum DxgiFormat : uint32_t {
#define VORNIS_DXGI_ENUM(name, value, bits) DXGI_FORMAT_##name = value,
    VORNIS_DXGI_FORMATS(VORNIS_DXGI_ENUM)
#undef VORNIS_DXGI_ENUM
};

// The name as the DXGI_FORMAT enumeration spells it ("DXGI_FORMAT_BC7_UNORM"), or
// "UNKNOWN" for a value the enumeration does not name.
std::string_view DxgiFormatName(uint32_t format);

// Bits per texel; 0 for values that are no texel format (and for unnamed values).
uint32_t DxgiBitsPerPixel(uint32_t format);

// BC1 to BC7 in all variants.
bool IsBlockCompressed(uint32_t format);
