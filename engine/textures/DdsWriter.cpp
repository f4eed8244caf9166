#include "textures/DdsWriter.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "platform/NewFile.h"

#include "textures/DdsLayout.h"
#include "textures/DdsSurfaceSize.h"
#include "textures/DxgiFormat.h"
#include "textures/TextureResult.h"

namespace {

// Names beside the file tried for the new bytes before giving up.
constexpr int kMaxTemporaryNames = 100;

constexpr uint32_t kFlagsUncompressed = 0x2100F;  // caps, height, width, pitch, format, mips
constexpr uint32_t kFlagsCompressed = 0xA1007;    // caps, height, width, format, mips, linear
constexpr uint32_t kCapsTexture = 0x1000;
constexpr uint32_t kMaxSide = 16384;

DdsPixelFormat Masks(uint32_t flags, uint32_t bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a)
{
    return {sizeof(DdsPixelFormat), flags, 0, bits, r, g, b, a};
}

DdsPixelFormat Code(uint32_t code)
{
    return {sizeof(DdsPixelFormat), kDdpfFourCC, code, 0, 0, 0, 0, 0};
}

DdsPixelFormat PixelFormatFor(uint32_t format)
{
    switch (format) {
        case DXGI_FORMAT_R8G8B8A8_UNORM:
            return Masks(0x41, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);
        case DXGI_FORMAT_R16G16_UNORM:
            return Masks(0x40, 32, 0xFFFF, 0xFFFF0000, 0, 0);
        case DXGI_FORMAT_R8G8_UNORM:
            return Masks(0x20001, 16, 0xFF, 0, 0, 0xFF00);
        case DXGI_FORMAT_R16_UNORM:
            return Masks(0x20000, 16, 0xFFFF, 0, 0, 0);
        case DXGI_FORMAT_R8_UNORM:
            return Masks(0x20000, 8, 0xFF, 0, 0, 0);
        case DXGI_FORMAT_A8_UNORM:
            return Masks(0x2, 8, 0, 0, 0, 0xFF);
        case DXGI_FORMAT_B5G6R5_UNORM:
            return Masks(0x40, 16, 0xF800, 0x7E0, 0x1F, 0);
        case DXGI_FORMAT_B5G5R5A1_UNORM:
            return Masks(0x41, 16, 0x7C00, 0x3E0, 0x1F, 0x8000);
        case DXGI_FORMAT_B8G8R8A8_UNORM:
            return Masks(0x41, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
        case DXGI_FORMAT_B8G8R8X8_UNORM:
            return Masks(0x40, 32, 0xFF0000, 0xFF00, 0xFF, 0);
        case DXGI_FORMAT_B4G4R4A4_UNORM:
            return Masks(0x41, 16, 0xF00, 0xF0, 0xF, 0xF000);
        case DXGI_FORMAT_R8G8_B8G8_UNORM:
            return Code(MakeFourCC('R', 'G', 'B', 'G'));
        case DXGI_FORMAT_G8R8_G8B8_UNORM:
            return Code(MakeFourCC('G', 'R', 'G', 'B'));
        case DXGI_FORMAT_BC1_UNORM:
            return Code(MakeFourCC('D', 'X', 'T', '1'));
        case DXGI_FORMAT_BC2_UNORM:
            return Code(MakeFourCC('D', 'X', 'T', '3'));
        case DXGI_FORMAT_BC3_UNORM:
            return Code(MakeFourCC('D', 'X', 'T', '5'));
        case DXGI_FORMAT_BC4_UNORM:
            return Code(MakeFourCC('B', 'C', '4', 'U'));
        case DXGI_FORMAT_BC4_SNORM:
            return Code(MakeFourCC('B', 'C', '4', 'S'));
        case DXGI_FORMAT_BC5_UNORM:
            return Code(MakeFourCC('B', 'C', '5', 'U'));
        case DXGI_FORMAT_BC5_SNORM:
            return Code(MakeFourCC('B', 'C', '5', 'S'));
        case DXGI_FORMAT_YUY2:
            return Code(MakeFourCC('Y', 'U', 'Y', '2'));
        case DXGI_FORMAT_R32G32B32A32_FLOAT:
            return Code(116);
        case DXGI_FORMAT_R16G16B16A16_FLOAT:
            return Code(113);
        case DXGI_FORMAT_R16G16B16A16_UNORM:
            return Code(36);
        case DXGI_FORMAT_R16G16B16A16_SNORM:
            return Code(110);
        case DXGI_FORMAT_R32G32_FLOAT:
            return Code(115);
        case DXGI_FORMAT_R16G16_FLOAT:
            return Code(112);
        case DXGI_FORMAT_R32_FLOAT:
            return Code(114);
        case DXGI_FORMAT_R16_FLOAT:
            return Code(111);
        default:
            return Code(kDdsFourCCDx10);
    }
}

bool IsPaletteFormat(uint32_t format)
{
    return format == DXGI_FORMAT_AI44 || format == DXGI_FORMAT_IA44 || format == DXGI_FORMAT_P8 ||
           format == DXGI_FORMAT_A8P8;
}

template <typename T>
void Append(std::vector<uint8_t>& bytes, const T& value)
{
    const auto* raw = reinterpret_cast<const uint8_t*>(&value);
    bytes.insert(bytes.end(), raw, raw + sizeof(T));
}

}  // namespace

DdsWriteResult BuildDdsFile(uint32_t format, uint32_t width, uint32_t height, uint64_t rowPitch,
                            std::span<const uint8_t> source)
{
    DdsWriteResult out;
    if (IsPaletteFormat(format) || DxgiBitsPerPixel(format) == 0) {
        out.result = texture_result::NotSupported;
        return out;
    }
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide || rowPitch == 0) {
        out.result = texture_result::InvalidArgument;
        return out;
    }
    const DdsSurfaceSize size = ComputeSurfaceSize(format, width, height);
    // Rows of rowBytes fill the surface; planar formats end in a partial row.
    const uint64_t rowCount = (size.surfaceBytes + size.rowBytes - 1) / size.rowBytes;
    const uint64_t copyBytes = std::min(size.rowBytes, rowPitch);
    const uint64_t lastRowBytes =
        std::min(copyBytes, size.surfaceBytes - (rowCount - 1) * size.rowBytes);
    // The source must hold every byte the copy reads; the last row reaches furthest.
    if (lastRowBytes > source.size() ||
        (rowCount > 1 && rowPitch > (source.size() - lastRowBytes) / (rowCount - 1))) {
        out.result = texture_result::InvalidArgument;
        return out;
    }

    const bool compressed = IsBlockCompressed(format);
    DdsHeader header{};
    header.size = sizeof(DdsHeader);
    header.flags = compressed ? kFlagsCompressed : kFlagsUncompressed;
    header.height = height;
    header.width = width;
    header.pitchOrLinearSize =
        static_cast<uint32_t>(compressed ? size.surfaceBytes : size.rowBytes);
    header.mipMapCount = 1;
    header.pixelFormat = PixelFormatFor(format);
    header.caps = kCapsTexture;
    const bool dx10 = HasDx10Header(header);

    const size_t headerBytes = dx10 ? kDdsDx10DataOffset : kDdsDataOffset;
    try {
        out.bytes.reserve(headerBytes + size.surfaceBytes);
    } catch (const std::bad_alloc&) {
        out.result = texture_result::OutOfMemory;
        return out;
    }
    Append(out.bytes, kDdsMagic);
    Append(out.bytes, header);
    if (dx10) {
        const DdsHeaderDx10 extended{format, kDdsDimension2D, 0, 1, 0};
        Append(out.bytes, extended);
    }
    out.bytes.resize(headerBytes + size.surfaceBytes, 0);
    uint8_t* rows = out.bytes.data() + headerBytes;
    for (uint64_t row = 0; row < rowCount; ++row) {
        const uint64_t offset = row * size.rowBytes;
        std::memcpy(rows + offset, source.data() + row * rowPitch,
                    std::min(copyBytes, size.surfaceBytes - offset));
    }
    return out;
}

int32_t WriteDdsFile(const std::filesystem::path& path, uint32_t format, uint32_t width,
                     uint32_t height, uint64_t rowPitch, std::span<const uint8_t> source)
{
    if (path.empty())
        return texture_result::InvalidArgument;
    DdsWriteResult built = BuildDdsFile(format, width, height, rowPitch, source);
    if (built.result != texture_result::Ok)
        return built.result;

    // The bytes go to a file of our own making (never through a link or into a FIFO
    // planted under a predictable name), which then replaces whatever has the name.
    for (int attempt = 0; attempt < kMaxTemporaryNames; ++attempt) {
        std::filesystem::path temporary = path;
        temporary += "." + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".part";
        platform::NewFile file(temporary);
        if (!file.IsOpen() && file.Error() == EEXIST)
            continue;
        if (!file.IsOpen())
            return texture_result::FromErrno(file.Error());
        const bool written = file.Write(built.bytes.data(), built.bytes.size()) && file.Close();
        // A cut-off file would look like a valid but broken texture to every reader.
        if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
            const int error = written ? errno : file.Error();
            unlink(temporary.c_str());
            return written ? texture_result::FromErrno(error) : texture_result::Fail;
        }
        return texture_result::Ok;
    }
    return texture_result::Fail;
}
