#include "AppIcon.h"

#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "Vec.h"

namespace assets {

namespace {

// Premultiplied colour with coverage, composited front over back.
struct Layer {
    Vec3 rgb;
    float alpha = 0;
};

Layer Over(Layer front, Layer back)
{
    const float rest = 1.0f - front.alpha;
    return {front.rgb + back.rgb * rest, front.alpha + back.alpha * rest};
}

Layer Opaque(Vec3 rgb, float alpha)
{
    return {rgb * alpha, alpha};
}

float SmoothStep(float edge0, float edge1, float x)
{
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

// Geometry in icon units: (0, 0) top left, (1, 1) bottom right, y down.
constexpr float kTileMargin = 0.06f;
constexpr float kTileRadius = 0.2f;
constexpr Vec2 kSphereCentre{0.5f, 0.5f};
constexpr float kSphereRadius = 0.27f;
constexpr float kRingRadiusX = 0.41f;
constexpr float kRingRadiusY = 0.13f;
constexpr float kRingTilt = -0.35f;  // radians, rising to the right

bool InsideTile(float u, float v)
{
    const float lo = kTileMargin + kTileRadius, hi = 1.0f - kTileMargin - kTileRadius;
    const float dx = std::max({lo - u, 0.0f, u - hi});
    const float dy = std::max({lo - v, 0.0f, v - hi});
    return dx * dx + dy * dy <= kTileRadius * kTileRadius;
}

Vec3 Tile(float v)
{
    // Slate blue, lighter at the top, like the viewer's evening sky.
    const Vec3 top{0.20f, 0.27f, 0.40f}, bottom{0.07f, 0.09f, 0.15f};
    return top * (1 - v) + bottom * v;
}

// The sphere's colour at a point of its disc (x right, y up, both -1..1): polished gold
// reflecting a bright sky and a dark ground, with one highlight from the upper left.
Vec3 Gold(float x, float y)
{
    const Vec3 n{x, y, std::sqrt(std::max(0.0f, 1 - x * x - y * y))};
    const Vec3 view{0, 0, 1};
    const Vec3 reflected = n * (2 * n.z) - view;
    const float skyward = SmoothStep(-0.45f, 0.45f, reflected.y);
    const Vec3 environment =
        Vec3{0.22f, 0.17f, 0.13f} * (1 - skyward) + Vec3{0.95f, 0.97f, 1.0f} * skyward;
    const Vec3 base{1.0f, 0.74f, 0.30f};
    const float fresnel = std::pow(1 - n.z, 5.0f);
    Vec3 colour{base.x * environment.x, base.y * environment.y, base.z * environment.z};
    colour = colour * (1 - fresnel) + environment * fresnel;
    const Vec3 light = Normalize(Vec3{-0.55f, 0.65f, 0.55f});
    const Vec3 half = Normalize(light + view);
    const float highlight = std::pow(std::max(0.0f, Dot(n, half)), 80.0f) * 1.6f;
    const float diffuse = 0.25f + 0.75f * std::max(0.0f, Dot(n, light));
    return colour * diffuse + Vec3{1, 1, 1} * highlight;
}

// Signed distance (icon units, first-order) to the orbit ring's centre line, and whether
// the point lies on its near half (in front of the sphere).
float RingDistance(float u, float v, bool& nearHalf)
{
    const float dx = u - kSphereCentre.x, dy = v - kSphereCentre.y;
    const float c = std::cos(kRingTilt), s = std::sin(kRingTilt);
    const float x = c * dx + s * dy, y = -s * dx + c * dy;
    const float a2 = kRingRadiusX * kRingRadiusX, b2 = kRingRadiusY * kRingRadiusY;
    const float f = x * x / a2 + y * y / b2 - 1;
    const float gradient = 2 * std::sqrt(x * x / (a2 * a2) + y * y / (b2 * b2));
    nearHalf = y > 0;
    return gradient > 0 ? std::fabs(f) / gradient : 1.0f;
}

Layer Sample(float u, float v, float ringHalfWidth)
{
    Layer pixel;
    if (!InsideTile(u, v))
        return pixel;
    pixel = Opaque(Tile(v), 1);

    // A soft shadow under the sphere.
    const float sx = (u - kSphereCentre.x) / (kSphereRadius * 1.1f);
    const float sy = (v - (kSphereCentre.y + kSphereRadius * 0.95f)) / (kSphereRadius * 0.28f);
    const float shadow = 0.55f * (1 - SmoothStep(0.2f, 1.0f, std::sqrt(sx * sx + sy * sy)));
    pixel = Over(Opaque({0, 0, 0}, shadow), pixel);

    bool nearHalf = false;
    const float ring = RingDistance(u, v, nearHalf);
    const Vec3 ringColour{0.45f, 0.85f, 1.0f};
    if (!nearHalf && ring < ringHalfWidth)
        pixel = Over(Opaque(ringColour * 0.8f, 1), pixel);

    const float x = (u - kSphereCentre.x) / kSphereRadius;
    const float y = -(v - kSphereCentre.y) / kSphereRadius;
    if (x * x + y * y < 1) {
        const Vec3 gold = Gold(x, y);
        pixel = Opaque({std::min(gold.x, 1.0f), std::min(gold.y, 1.0f), std::min(gold.z, 1.0f)}, 1);
    }
    if (nearHalf && ring < ringHalfWidth)
        pixel = Over(Opaque(ringColour, 1), pixel);
    return pixel;
}

}  // namespace

std::vector<uint8_t> DrawAppIcon(int size)
{
    constexpr int kSamples = 6;  // per side and pixel
    // At least a pixel wide, so that the ring survives the smallest sizes.
    const float ringHalfWidth = std::max(0.022f, 0.6f / static_cast<float>(size));
    std::vector<uint8_t> pixels(static_cast<size_t>(size) * size * 4);
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            Layer sum;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const float u = (px + (sx + 0.5f) / kSamples) / size;
                    const float v = (py + (sy + 0.5f) / kSamples) / size;
                    const Layer sample = Sample(u, v, ringHalfWidth);
                    sum.rgb = sum.rgb + sample.rgb;
                    sum.alpha += sample.alpha;
                }
            }
            const float count = kSamples * kSamples;
            const float alpha = sum.alpha / count;
            const Vec3 rgb = alpha > 0 ? sum.rgb * (1.0f / sum.alpha) : Vec3{};
            uint8_t* out = &pixels[(static_cast<size_t>(py) * size + px) * 4];
            const float channels[4] = {rgb.x, rgb.y, rgb.z, alpha};
            for (int c = 0; c < 4; ++c) {
                // Colours are display values already; only coverage is linear.
                out[c] = static_cast<uint8_t>(std::clamp(channels[c] * 255 + 0.5f, 0.0f, 255.0f));
            }
        }
    }
    return pixels;
}

std::string WriteAppIcons(const std::string& iconDirectory)
{
    for (int size : kAppIconSizes) {
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        const std::filesystem::path folder =
            std::filesystem::path(iconDirectory) / "hicolor" / name / "apps";
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error)
            return "cannot create " + folder.string() + ": " + error.message();
        const std::vector<uint8_t> pixels = DrawAppIcon(size);
        const std::string path = (folder / "vornis.png").string();
        if (!stbi_write_png(path.c_str(), size, size, 4, pixels.data(), size * 4))
            return "cannot write " + path;
    }
    return {};
}

}  // namespace assets
