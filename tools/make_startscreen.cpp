// Writes the start-screen picture: a lit sphere over a ground grid, as a 24-bit BMP.
// Usage: vornis-make-startscreen OUT.bmp
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 270;

struct Color {
    float r, g, b;
};

void Put16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(v & 0xFF);
    out.push_back(v >> 8);
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back((v >> (8 * i)) & 0xFF);
}

Color Shade(float x, float y)
{
    const float u = x / kWidth;
    const float v = y / kHeight;
    // Background: the viewer's grey, a little lighter towards the top.
    Color c{0.22f + 0.08f * (1.0f - v), 0.22f + 0.08f * (1.0f - v), 0.24f + 0.10f * (1.0f - v)};

    // Ground grid receding to the horizon. Lines are about one pixel wide on
    // screen and fade out where they would crowd together into moire near the horizon.
    const float horizon = 0.62f;
    if (v > horizon) {
        const float depth = 0.08f / (v - horizon);
        const float gx = (u - 0.5f) * depth * 6.0f;
        const float gz = depth * 3.0f;
        const float pixelX = depth * 6.0f / kWidth;                              // d gx / d pixel
        const float pixelZ = 0.24f / ((v - horizon) * (v - horizon)) / kHeight;  // d gz / d pixel
        auto line = [](float coord, float footprint) {
            const float distance = std::fabs(coord - std::round(coord));
            return std::clamp(1.0f - distance / footprint, 0.0f, 1.0f);
        };
        const float fadeX = std::clamp(1.0f - pixelX / 0.12f, 0.0f, 1.0f);
        const float fadeZ = std::clamp(1.0f - pixelZ / 0.12f, 0.0f, 1.0f);
        const float ink = std::max(line(gx, pixelX) * fadeX, line(gz, pixelZ) * fadeZ);
        c.r += 0.16f * ink;
        c.g += 0.16f * ink;
        c.b += 0.18f * ink;
    }

    // A polished sphere lit from the upper left with a warm key and a cool fill.
    const float cx = 0.5f * kWidth, cy = 0.45f * kHeight, radius = 0.30f * kHeight;
    float dx = (x - cx) / radius;
    float dy = (y - cy) / radius;
    float d2 = dx * dx + dy * dy;
    if (d2 < 1.0f) {
        float nx = dx, ny = -dy, nz = std::sqrt(1.0f - d2);
        float lx = -0.5f, ly = 0.6f, lz = 0.62f;
        float ndl = std::max(0.0f, nx * lx + ny * ly + nz * lz);
        float hx = lx, hy = ly, hz = lz + 1.0f;
        float hl = std::sqrt(hx * hx + hy * hy + hz * hz);
        float ndh = std::max(0.0f, (nx * hx + ny * hy + nz * hz) / hl);
        float highlight = std::pow(ndh, 80.0f);
        float fresnel = std::pow(1.0f - nz, 4.0f);
        c = {0.85f * ndl + 0.10f + 0.25f * fresnel + highlight,
             0.45f * ndl + 0.08f + 0.30f * fresnel + highlight,
             0.18f * ndl + 0.10f + 0.45f * fresnel + highlight};
    }
    return c;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.bmp\n", argv[0]);
        return 2;
    }
    const int rowBytes = (kWidth * 3 + 3) & ~3;
    const uint32_t pixelBytes = static_cast<uint32_t>(rowBytes * kHeight);
    std::vector<uint8_t> file;
    file.push_back('B');
    file.push_back('M');
    Put32(file, 54 + pixelBytes);
    Put32(file, 0);
    Put32(file, 54);
    Put32(file, 40);
    Put32(file, kWidth);
    Put32(file, kHeight);  // positive: rows stored bottom-up
    Put16(file, 1);
    Put16(file, 24);
    Put32(file, 0);
    Put32(file, pixelBytes);
    Put32(file, 2835);
    Put32(file, 2835);
    Put32(file, 0);
    Put32(file, 0);
    for (int y = kHeight - 1; y >= 0; --y) {
        for (int x = 0; x < kWidth; ++x) {
            // 3 x 3 samples per pixel keep the sphere's rim and the grid smooth.
            Color c{0.0f, 0.0f, 0.0f};
            for (int sy = 0; sy < 3; ++sy) {
                for (int sx = 0; sx < 3; ++sx) {
                    const Color sample = Shade(x + (sx + 0.5f) / 3.0f, y + (sy + 0.5f) / 3.0f);
                    c.r += sample.r / 9.0f;
                    c.g += sample.g / 9.0f;
                    c.b += sample.b / 9.0f;
                }
            }
            auto toByte = [](float f) {
                f = std::clamp(f, 0.0f, 1.0f);
                return static_cast<uint8_t>(std::lround(std::pow(f, 1.0f / 1.1f) * 255.0f));
            };
            file.push_back(toByte(c.b));
            file.push_back(toByte(c.g));
            file.push_back(toByte(c.r));
        }
        for (int pad = kWidth * 3; pad < rowBytes; ++pad)
            file.push_back(0);
    }
    FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(file.data(), 1, file.size(), out) != file.size()) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
