#include "DdsWriter.h"

#include <algorithm>
#include <fstream>

#include "HalfFloat.h"

namespace assets {

namespace {

constexpr uint32_t kMagic = 0x20534444;  // "DDS "
constexpr uint32_t kFlagsCaps = 0x1, kFlagsHeight = 0x2, kFlagsWidth = 0x4, kFlagsPitch = 0x8;
constexpr uint32_t kFlagsPixelFormat = 0x1000, kFlagsMipCount = 0x20000;
constexpr uint32_t kPixelRgb = 0x40, kPixelAlpha = 0x1, kPixelFourCc = 0x4;
constexpr uint32_t kCapsComplex = 0x8, kCapsTexture = 0x1000, kCapsMipmap = 0x400000;
constexpr uint32_t kCaps2CubeAllFaces = 0xFE00;
constexpr uint32_t kFourCcDx10 = 0x30315844;
constexpr uint32_t kDxgiR16G16B16A16Float = 10;
constexpr uint32_t kDimensionTexture2D = 3;
constexpr uint32_t kMiscTextureCube = 0x4;

using Header = std::array<uint32_t, 31>;

void PutWord(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> StartFile(const Header& header)
{
    std::vector<uint8_t> out;
    PutWord(out, kMagic);
    for (uint32_t word : header)
        PutWord(out, word);
    return out;
}

Header BaseHeader(uint32_t width, uint32_t height, uint32_t mipCount)
{
    Header h{};
    h[0] = 124;
    h[1] = kFlagsCaps | kFlagsHeight | kFlagsWidth | kFlagsPixelFormat | kFlagsMipCount;
    h[2] = height;
    h[3] = width;
    h[6] = mipCount;
    h[18] = 32;
    h[26] = kCapsTexture | (mipCount > 1 ? kCapsComplex | kCapsMipmap : 0);
    return h;
}

std::string WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file)
        return "cannot write " + path;
    return {};
}

bool IsHalvingChain(const std::vector<int>& widths, const std::vector<int>& heights)
{
    for (size_t i = 1; i < widths.size(); ++i) {
        if (widths[i] != std::max(1, widths[i - 1] / 2) ||
            heights[i] != std::max(1, heights[i - 1] / 2))
            return false;
    }
    return !widths.empty() && widths[0] > 0 && heights[0] > 0;
}

}  // namespace

Rgba8Image SolidImage(int width, int height, uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    Rgba8Image image{width, height, {}};
    for (int i = 0; i < width * height; ++i)
        image.texels.insert(image.texels.end(), {r, g, b, a});
    return image;
}

std::vector<Rgba8Image> BuildMipChain(const Rgba8Image& top)
{
    std::vector<Rgba8Image> mips{top};
    while (mips.back().width > 1 || mips.back().height > 1) {
        const Rgba8Image& src = mips.back();
        Rgba8Image dst{std::max(1, src.width / 2), std::max(1, src.height / 2), {}};
        dst.texels.resize(static_cast<size_t>(dst.width) * dst.height * 4);
        for (int y = 0; y < dst.height; ++y) {
            for (int x = 0; x < dst.width; ++x) {
                for (int c = 0; c < 4; ++c) {
                    int sum = 0;
                    for (int dy = 0; dy < 2; ++dy) {
                        for (int dx = 0; dx < 2; ++dx) {
                            const int sx = std::min(src.width - 1, 2 * x + dx);
                            const int sy = std::min(src.height - 1, 2 * y + dy);
                            sum += src.texels[(static_cast<size_t>(sy) * src.width + sx) * 4 + c];
                        }
                    }
                    dst.texels[(static_cast<size_t>(y) * dst.width + x) * 4 + c] =
                        static_cast<uint8_t>((sum + 2) / 4);
                }
            }
        }
        mips.push_back(std::move(dst));
    }
    return mips;
}

std::string WriteDdsRgba8(const std::string& path, const std::vector<Rgba8Image>& mips)
{
    std::vector<int> widths, heights;
    for (const Rgba8Image& mip : mips) {
        if (mip.texels.size() != static_cast<size_t>(mip.width) * mip.height * 4)
            return "texel count does not match the size for " + path;
        widths.push_back(mip.width);
        heights.push_back(mip.height);
    }
    if (!IsHalvingChain(widths, heights))
        return "mips do not halve for " + path;

    Header h = BaseHeader(mips[0].width, mips[0].height, static_cast<uint32_t>(mips.size()));
    h[1] |= kFlagsPitch;
    h[4] = static_cast<uint32_t>(mips[0].width) * 4;
    h[19] = kPixelRgb | kPixelAlpha;
    h[21] = 32;
    h[22] = 0x000000FF;
    h[23] = 0x0000FF00;
    h[24] = 0x00FF0000;
    h[25] = 0xFF000000;
    std::vector<uint8_t> out = StartFile(h);
    for (const Rgba8Image& mip : mips)
        out.insert(out.end(), mip.texels.begin(), mip.texels.end());
    return WriteFile(path, out);
}

std::string WriteDdsCubeRgba16f(const std::string& path, const CubeMips& faces)
{
    std::vector<int> sizes;
    for (const FloatImage& mip : faces[0])
        sizes.push_back(mip.size);
    if (!IsHalvingChain(sizes, sizes))
        return "cube mips do not halve for " + path;
    for (const auto& face : faces) {
        if (face.size() != sizes.size())
            return "cube faces differ in mip count for " + path;
        for (size_t m = 0; m < face.size(); ++m) {
            if (face[m].size != sizes[m] ||
                face[m].texels.size() != static_cast<size_t>(sizes[m]) * sizes[m] * 4)
                return "cube face size mismatch for " + path;
        }
    }

    Header h = BaseHeader(sizes[0], sizes[0], static_cast<uint32_t>(sizes.size()));
    h[19] = kPixelFourCc;
    h[20] = kFourCcDx10;
    h[26] |= kCapsComplex;
    h[27] = kCaps2CubeAllFaces;
    std::vector<uint8_t> out = StartFile(h);
    for (uint32_t word : {kDxgiR16G16B16A16Float, kDimensionTexture2D, kMiscTextureCube, 1u, 0u})
        PutWord(out, word);
    // Slice-major: every mip of +X, then every mip of -X, and so on.
    for (const auto& face : faces) {
        for (const FloatImage& mip : face) {
            for (float value : mip.texels) {
                const uint16_t half = FloatToHalf(value);
                out.push_back(static_cast<uint8_t>(half & 0xFF));
                out.push_back(static_cast<uint8_t>(half >> 8));
            }
        }
    }
    return WriteFile(path, out);
}

}  // namespace assets
