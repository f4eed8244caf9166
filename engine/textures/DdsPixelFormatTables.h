// How the pixel format of a DDS file without the extended header maps to a DXGI format,
// and the labels under which the viewer shows DDS formats.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "textures/DdsLayout.h"

// DXGI_FORMAT_UNKNOWN when the combination of flags, bit count, masks or code is not
// one the viewer reads.
uint32_t DxgiFormatFromPixelFormat(const DdsPixelFormat& pixelFormat);

// 24-bit RGB, as image editors save opaque pictures. No DXGI format has three bytes per
// texel: the reader expands such files to R8G8B8A8 with alpha 255.
enum class Rgb24Order { Bgr, Rgb };  // the bytes of one texel in the file
// Nothing unless the format is RGB, 24 bits, with the masks of one of the two orders and
// no alpha mask.
std::optional<Rgb24Order> Rgb24Layout(const DdsPixelFormat& pixelFormat);

// Label of a four-character code ("DXT2" -> "D3DFMT_DXT2 (BC2)"); empty when unlisted.
std::string_view FourCCLabel(uint32_t fourCC);

// Label of the first bit-mask row that shares a flag bit with the pixel format and has its
// four masks; empty when none.
std::string_view BitMaskLabel(const DdsPixelFormat& pixelFormat);

// The format label of a texture record: the four-character code's label, the DXGI name for
// files with the extended header, "N/A" for files described by bit masks.
std::string DdsTypeName(const DdsHeader& header, const DdsHeaderDx10* dx10);
