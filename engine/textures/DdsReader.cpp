#include "textures/DdsReader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#include "textures/DdsPixelFormatTables.h"
#include "textures/DdsSurfaceSize.h"
#include "textures/DxgiFormat.h"
#include "textures/FileBytes.h"
#include "textures/TextureResult.h"

namespace {

constexpr uint32_t kMaxMipLevels = 15;
constexpr uint64_t kMaxArraySize = 2048;
constexpr uint32_t kMax1DWidth = 16384;
constexpr uint32_t kMax2DSize = 16384;
constexpr uint32_t kMax3DSize = 2048;
constexpr uint64_t kMaxFileBytes = 0xFFFFFFFFull;  // 4 GiB and more is refused

struct Resource {
    DdsDimension dimension = DdsDimension::Texture2D;
    uint32_t format = DXGI_FORMAT_UNKNOWN;
    uint32_t width = 0, height = 0, depth = 0;
    uint64_t arraySize = 1;
    uint32_t mipCount = 1;
    bool isCube = false;
    std::optional<Rgb24Order> rgb24;  // the file holds 3 bytes per texel, uploaded as 4
};

// Bytes of one mip level as the file holds it.
DdsSurfaceSize FileSurfaceSize(const Resource& res, uint32_t width, uint32_t height)
{
    if (res.rgb24) {
        const uint64_t row = static_cast<uint64_t>(width) * 3;
        return {row, row * height};
    }
    return ComputeSurfaceSize(res.format, width, height);
}

int32_t ChooseLegacyResource(const DdsHeader& header, Resource& res)
{
    res.format = DxgiFormatFromPixelFormat(header.pixelFormat);
    if (res.format == DXGI_FORMAT_UNKNOWN) {
        res.rgb24 = Rgb24Layout(header.pixelFormat);
        if (!res.rgb24)
            return texture_result::NotSupported;
        res.format = DXGI_FORMAT_R8G8B8A8_UNORM;
    }
    if (header.flags & kDdsHeaderFlagVolume) {
        res.dimension = DdsDimension::Texture3D;
        res.depth = header.depth;
        return texture_result::Ok;
    }
    res.dimension = DdsDimension::Texture2D;
    res.depth = 1;
    if (header.caps2 & kDdsCaps2Cubemap) {
        if ((header.caps2 & kDdsCaps2AllFaces) != kDdsCaps2AllFaces)
            return texture_result::NotSupported;
        res.arraySize = 6;
        res.isCube = true;
    }
    return texture_result::Ok;
}

int32_t ChooseDx10Resource(const DdsHeader& header, const DdsHeaderDx10& dx10, Resource& res)
{
    res.arraySize = dx10.arraySize;
    if (res.arraySize == 0)
        return texture_result::InvalidData;
    res.format = dx10.dxgiFormat;
    switch (res.format) {
        case DXGI_FORMAT_AI44:
        case DXGI_FORMAT_IA44:
        case DXGI_FORMAT_P8:
        case DXGI_FORMAT_A8P8:
            return texture_result::NotSupported;
        default:
            if (DxgiBitsPerPixel(res.format) == 0)
                return texture_result::NotSupported;
    }
    switch (dx10.resourceDimension) {
        case kDdsDimension1D:
            if ((header.flags & kDdsHeaderFlagHeight) && header.height != 1)
                return texture_result::InvalidData;
            res.dimension = DdsDimension::Texture1D;
            res.height = 1;
            res.depth = 1;
            return texture_result::Ok;
        case kDdsDimension2D:
            res.dimension = DdsDimension::Texture2D;
            res.depth = 1;
            if (dx10.miscFlag & kDdsMiscTextureCube) {
                res.arraySize *= 6;
                res.isCube = true;
            }
            return texture_result::Ok;
        case kDdsDimension3D:
            if (!(header.flags & kDdsHeaderFlagVolume))
                return texture_result::InvalidData;
            if (res.arraySize > 1)
                return texture_result::NotSupported;
            res.dimension = DdsDimension::Texture3D;
            res.depth = header.depth;
            return texture_result::Ok;
        default:
            return texture_result::NotSupported;
    }
}

int32_t CheckLimits(const Resource& res)
{
    if (res.mipCount > kMaxMipLevels)
        return texture_result::NotSupported;
    switch (res.dimension) {
        case DdsDimension::Texture1D:
            if (res.arraySize > kMaxArraySize || res.width > kMax1DWidth)
                return texture_result::NotSupported;
            break;
        case DdsDimension::Texture2D:
            if (res.arraySize > kMaxArraySize || res.width > kMax2DSize || res.height > kMax2DSize)
                return texture_result::NotSupported;
            break;
        case DdsDimension::Texture3D:
            if (res.arraySize > 1 || res.width > kMax3DSize || res.height > kMax3DSize ||
                res.depth > kMax3DSize)
                return texture_result::NotSupported;
            break;
    }
    return texture_result::Ok;
}

// What texture creation itself would refuse: empty sizes, more mips than the chain has,
// cube faces that are not square. Caught here so no upload is attempted with them.
int32_t CheckCreatable(const Resource& res)
{
    if (res.width == 0 || res.height == 0 || res.depth == 0)
        return texture_result::InvalidArgument;
    const uint32_t largest = std::max({res.width, res.height, res.depth});
    const uint32_t fullChain = static_cast<uint32_t>(std::bit_width(largest));
    if (res.mipCount > fullChain)
        return texture_result::InvalidArgument;
    if (res.isCube && res.width != res.height)
        return texture_result::InvalidArgument;
    return texture_result::Ok;
}

int32_t LayOutSubresources(const Resource& res, std::span<const uint8_t> file, size_t offset,
                           DdsImage& image)
{
    image.subresources.clear();
    image.subresources.reserve(static_cast<size_t>(res.arraySize) * res.mipCount);
    for (uint32_t slice = 0; slice < res.arraySize; ++slice) {
        uint32_t w = res.width, h = res.height, d = res.depth;
        for (uint32_t mip = 0; mip < res.mipCount; ++mip) {
            const DdsSurfaceSize size = FileSurfaceSize(res, w, h);
            const uint64_t bytes = size.surfaceBytes * d;
            if (bytes > file.size() - offset)
                return texture_result::EndOfData;
            DdsSubresource sub;
            sub.arraySlice = slice;
            sub.mipLevel = mip;
            sub.width = w;
            sub.height = h;
            sub.depth = d;
            sub.rowBytes = size.rowBytes;
            sub.surfaceBytes = size.surfaceBytes;
            sub.data = file.subspan(offset, static_cast<size_t>(bytes));
            image.subresources.push_back(sub);
            offset += static_cast<size_t>(bytes);
            w = std::max(1u, w / 2);
            h = std::max(1u, h / 2);
            d = std::max(1u, d / 2);
        }
    }
    return image.subresources.empty() ? texture_result::Fail : texture_result::Ok;
}

// Magic, header and extended header checked, the resource chosen and checked against the
// limits: everything that needs no texel data.
struct HeaderParse {
    DdsParseResult out;  // result, header and extended header
    Resource res;
    size_t dataOffset = kDdsDataOffset;
};

HeaderParse ParseHeader(std::span<const uint8_t> file)
{
    HeaderParse parse;
    DdsParseResult& out = parse.out;
    if (file.size() < kDdsDataOffset) {
        out.result = texture_result::Fail;
        return parse;
    }
    uint32_t magic = 0;
    DdsHeader header{};
    std::memcpy(&magic, file.data(), sizeof(magic));
    std::memcpy(&header, file.data() + kDdsHeaderOffset, sizeof(header));
    if (magic != kDdsMagic || header.size != sizeof(DdsHeader) ||
        header.pixelFormat.size != sizeof(DdsPixelFormat)) {
        out.result = texture_result::Fail;
        return parse;
    }
    const bool hasDx10 = HasDx10Header(header);
    if (hasDx10 && file.size() < kDdsDx10DataOffset) {
        out.result = texture_result::Fail;
        return parse;
    }
    out.header = header;
    DdsHeaderDx10 dx10{};
    if (hasDx10) {
        std::memcpy(&dx10, file.data() + kDdsDataOffset, sizeof(dx10));
        out.dx10 = dx10;
        parse.dataOffset = kDdsDx10DataOffset;
    }

    Resource& res = parse.res;
    res.width = header.width;
    res.height = header.height;
    res.mipCount = header.mipMapCount == 0 ? 1 : header.mipMapCount;
    out.result =
        hasDx10 ? ChooseDx10Resource(header, dx10, res) : ChooseLegacyResource(header, res);
    if (out.result == texture_result::Ok)
        out.result = CheckLimits(res);
    if (out.result == texture_result::Ok)
        out.result = CheckCreatable(res);
    return parse;
}

// Bytes from the start of the file to the end of the last surface the header describes.
uint64_t ClaimedFileBytes(const HeaderParse& parse)
{
    const Resource& res = parse.res;
    uint64_t total = parse.dataOffset;
    for (uint64_t slice = 0; slice < res.arraySize; ++slice) {
        uint32_t w = res.width, h = res.height, d = res.depth;
        for (uint32_t mip = 0; mip < res.mipCount; ++mip) {
            total += FileSurfaceSize(res, w, h).surfaceBytes * d;
            if (total > kMaxFileBytes)
                return total;
            w = std::max(1u, w / 2);
            h = std::max(1u, h / 2);
            d = std::max(1u, d / 2);
        }
    }
    return total;
}

// Widens every subresource of a 24-bit file to R8G8B8A8 with alpha 255 and points the
// image at the widened texels. The file held three quarters of their size, so the
// allocation is bounded by the file.
void ExpandRgb24(Rgb24Order order, DdsImage& image, std::vector<uint8_t>& expanded)
{
    uint64_t total = 0;
    for (const DdsSubresource& sub : image.subresources)
        total += sub.data.size() / 3 * 4;
    expanded.assign(static_cast<size_t>(total), 0);
    const int red = order == Rgb24Order::Rgb ? 0 : 2;
    size_t offset = 0;
    for (DdsSubresource& sub : image.subresources) {
        const size_t texels = sub.data.size() / 3;
        uint8_t* out = expanded.data() + offset;
        for (size_t t = 0; t < texels; ++t) {
            const uint8_t* in = sub.data.data() + t * 3;
            out[t * 4 + 0] = in[red];
            out[t * 4 + 1] = in[1];
            out[t * 4 + 2] = in[2 - red];
            out[t * 4 + 3] = 255;
        }
        sub.rowBytes = sub.rowBytes / 3 * 4;
        sub.surfaceBytes = sub.surfaceBytes / 3 * 4;
        sub.data = std::span<const uint8_t>(out, texels * 4);
        offset += texels * 4;
    }
}

}  // namespace

DdsParseResult ParseDds(std::span<const uint8_t> file)
{
    if (file.size() > kMaxFileBytes) {
        DdsParseResult out;
        out.result = texture_result::Fail;
        return out;
    }
    HeaderParse parse = ParseHeader(file);
    DdsParseResult& out = parse.out;
    if (out.result != texture_result::Ok)
        return std::move(out);

    const Resource& res = parse.res;
    DdsImage& image = out.image;
    image.dimension = res.dimension;
    image.format = res.format;
    image.width = res.width;
    image.height = res.height;
    image.depth = res.depth;
    image.arraySize = static_cast<uint32_t>(res.arraySize);
    image.mipCount = res.mipCount;
    image.isCube = res.isCube;
    out.result = LayOutSubresources(res, file, parse.dataOffset, image);
    if (out.result != texture_result::Ok)
        image.subresources.clear();
    else if (res.rgb24)
        ExpandRgb24(*res.rgb24, image, out.expandedTexels);
    return std::move(out);
}

DdsFile ReadDdsFile(const std::filesystem::path& path)
{
    DdsFile file;
    // The header says how many bytes the texture takes: a file that cannot hold them is
    // refused, and bytes beyond them are never read.
    FileBytesResult head = ReadFileStart(path, kDdsDx10DataOffset);
    if (head.result != texture_result::Ok) {
        file.parsed.result = head.result;
        return file;
    }
    HeaderParse parse = ParseHeader(head.bytes);
    if (parse.out.result != texture_result::Ok) {
        file.parsed = std::move(parse.out);
        return file;
    }
    const uint64_t claimed = ClaimedFileBytes(parse);
    if (claimed > head.fileSize || claimed > kMaxFileBytes) {
        file.parsed = std::move(parse.out);
        file.parsed.result =
            claimed > kMaxFileBytes ? texture_result::Fail : texture_result::EndOfData;
        return file;
    }
    FileBytesResult read = ReadFileStart(path, claimed);
    if (read.result != texture_result::Ok || read.bytes.size() != claimed) {
        file.parsed = std::move(parse.out);
        file.parsed.result = read.result != texture_result::Ok ? read.result : texture_result::Fail;
        return file;
    }
    file.bytes = std::move(read.bytes);
    file.parsed = ParseDds(file.bytes);
    return file;
}

uint32_t DdsRetrySizeCap(DdsDimension dimension)
{
    // A GL 4.5 device stands where Direct3D feature level 10 and above would.
    return dimension == DdsDimension::Texture3D ? 2048 : 8192;
}

std::optional<DdsImage> DropMipsAboveCap(const DdsImage& image, uint32_t cap)
{
    if (image.mipCount < 2 || image.subresources.size() < image.mipCount)
        return std::nullopt;
    uint32_t skip = 0;
    while (skip < image.mipCount) {
        const DdsSubresource& level = image.At(0, skip);
        if (level.width <= cap && level.height <= cap && level.depth <= cap)
            break;
        ++skip;
    }
    if (skip == image.mipCount)
        return std::nullopt;
    DdsImage reduced = image;
    reduced.mipCount = image.mipCount - skip;
    reduced.width = image.At(0, skip).width;
    reduced.height = image.At(0, skip).height;
    reduced.depth = image.At(0, skip).depth;
    reduced.subresources.clear();
    for (const DdsSubresource& sub : image.subresources) {
        if (sub.mipLevel >= skip) {
            DdsSubresource moved = sub;
            moved.mipLevel -= skip;
            reduced.subresources.push_back(moved);
        }
    }
    return reduced;
}
