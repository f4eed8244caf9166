#include "PanoramaWriter.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <vector>

namespace assets {

namespace {

std::array<unsigned char, 4> Rgbe(Vec3 c)
{
    const float largest = std::max({c.x, c.y, c.z});
    if (!(largest > 1e-32f))
        return {0, 0, 0, 0};
    int exponent = 0;
    const float scale = std::frexp(largest, &exponent) * 256.0f / largest;
    const auto byte = [&](float v) {
        return static_cast<unsigned char>(std::max(v, 0.0f) * scale);
    };
    return {byte(c.x), byte(c.y), byte(c.z), static_cast<unsigned char>(exponent + 128)};
}

}  // namespace

std::string WritePanoramaHdr(const std::string& path, int width, const RadianceFunction& radiance)
{
    if (width < 2 || width > 16384)
        return "a panorama is 2 to 16384 texels wide";
    const int height = width / 2;
    const std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file)
        return "cannot write " + path;
    std::fprintf(file.get(), "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y %d +X %d\n", height, width);
    std::vector<unsigned char> row(static_cast<size_t>(width) * 4);
    for (int y = 0; y < height; ++y) {
        const float theta = (y + 0.5f) / height * std::numbers::pi_v<float>;
        for (int x = 0; x < width; ++x) {
            const float phi = ((x + 0.5f) / width - 0.5f) * 2.0f * std::numbers::pi_v<float>;
            const Vec3 d{std::sin(theta) * std::sin(phi), std::cos(theta),
                         std::sin(theta) * std::cos(phi)};
            const auto texel = Rgbe(radiance(d));
            std::copy(texel.begin(), texel.end(), row.begin() + static_cast<ptrdiff_t>(x) * 4);
        }
        if (std::fwrite(row.data(), 1, row.size(), file.get()) != row.size())
            return "cannot write " + path;
    }
    return {};
}

}  // namespace assets
