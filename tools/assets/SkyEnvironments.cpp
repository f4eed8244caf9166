#include "SkyEnvironments.h"

#include <algorithm>
#include <cmath>

namespace assets {

namespace {

float SmoothStep(float edge0, float edge1, float x)
{
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

Vec3 Mix(Vec3 a, Vec3 b, float t)
{
    return a * (1 - t) + b * t;
}

const Vec3 kSunDirection = Normalize({0.55f, 0.42f, 0.72f});
const Vec3 kSunColor{1.0f, 0.93f, 0.82f};
// About 1.1 degrees across; the sun is bright enough to carry real weight in the rough mips.
constexpr float kSunCosRadius = 0.99982f;
constexpr float kSunRadiance = 3000.0f;

struct SoftBox {
    Vec3 centre;
    float halfWidth, halfHeight;  // in tangent units seen from the centre of the studio
    float radiance;
};

float SoftBoxCoverage(const SoftBox& box, Vec3 d)
{
    const Vec3 c = Normalize(box.centre);
    const float facing = Dot(d, c);
    if (facing <= 0)
        return 0;
    const Frame frame = FrameAround(c);
    const float x = std::fabs(Dot(d, frame.tangent) / facing);
    const float y = std::fabs(Dot(d, frame.bitangent) / facing);
    constexpr float kEdge = 0.03f;
    return (1 - SmoothStep(box.halfWidth - kEdge, box.halfWidth, x)) *
           (1 - SmoothStep(box.halfHeight - kEdge, box.halfHeight, y));
}

}  // namespace

Vec3 DaylightSkyRadiance(Vec3 d)
{
    const Vec3 zenith{0.09f, 0.25f, 0.85f};
    const Vec3 horizon{1.05f, 1.2f, 1.4f};
    const Vec3 ground{0.16f, 0.14f, 0.12f};

    const float h = d.y;
    const float sunCos = Dot(d, kSunDirection);
    const float towardsSun = std::max(sunCos, 0.0f);
    const Vec3 glow =
        kSunColor * (6.0f * std::pow(towardsSun, 200.0f) + 0.8f * std::pow(towardsSun, 12.0f));
    const Vec3 sky = Mix(zenith, horizon, std::pow(1 - std::max(h, 0.0f), 4.0f)) + glow;
    // A narrow band of haze hides the seam between sky and ground.
    const Vec3 below = Mix(horizon * 0.6f, ground, SmoothStep(0.0f, 0.12f, -h));
    Vec3 radiance = h >= 0 ? sky : below;
    if (sunCos > kSunCosRadius)
        radiance = kSunColor * kSunRadiance;
    return radiance;
}

Vec3 StudioRadiance(Vec3 d)
{
    static const SoftBox boxes[] = {
        {{-0.6f, 0.5f, 0.6f}, 0.35f, 0.5f, 9.0f},     // key
        {{0.8f, 0.25f, 0.35f}, 0.3f, 0.45f, 3.0f},    // fill
        {{0.0f, 1.0f, 0.0f}, 0.7f, 0.18f, 6.0f},      // overhead strip
        {{0.25f, 0.35f, -0.9f}, 0.15f, 0.55f, 7.0f},  // rim
    };
    const float wall = 0.16f + 0.08f * SmoothStep(-0.2f, 0.9f, d.y);
    const float floorShade = 0.09f + 0.03f * SmoothStep(-1.0f, -0.1f, d.y);
    const float grey = Mix({floorShade, 0, 0}, {wall, 0, 0}, SmoothStep(-0.12f, -0.04f, d.y)).x;
    Vec3 radiance{grey, grey, grey};
    for (const SoftBox& box : boxes) {
        const float coverage = SoftBoxCoverage(box, d);
        radiance = Mix(radiance, {box.radiance, box.radiance, box.radiance}, coverage);
    }
    return radiance;
}

}  // namespace assets
