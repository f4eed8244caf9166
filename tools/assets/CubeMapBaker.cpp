#include "CubeMapBaker.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "CubeMapSampling.h"

namespace assets {

namespace {

constexpr int kSupersample = 4;  // per axis for the top level, so the sun disk keeps its energy
constexpr int kFilterSamples = 128;

FloatImage RenderFace(int face, int size, const RadianceFunction& radiance)
{
    FloatImage image{size, std::vector<float>(static_cast<size_t>(size) * size * 4)};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Vec3 sum;
            for (int sy = 0; sy < kSupersample; ++sy) {
                for (int sx = 0; sx < kSupersample; ++sx) {
                    const float u = 2 * (x + (sx + 0.5f) / kSupersample) / size - 1;
                    const float v = 2 * (y + (sy + 0.5f) / kSupersample) / size - 1;
                    sum = sum + radiance(CubeDirection(face, u, v));
                }
            }
            sum = sum * (1.0f / (kSupersample * kSupersample));
            float* t = &image.texels[(static_cast<size_t>(y) * size + x) * 4];
            t[0] = sum.x;
            t[1] = sum.y;
            t[2] = sum.z;
            t[3] = 1;
        }
    }
    return image;
}

float RadicalInverse(uint32_t bits)
{
    bits = (bits << 16u) | (bits >> 16u);
    bits = ((bits & 0x55555555u) << 1u) | ((bits & 0xAAAAAAAAu) >> 1u);
    bits = ((bits & 0x33333333u) << 2u) | ((bits & 0xCCCCCCCCu) >> 2u);
    bits = ((bits & 0x0F0F0F0Fu) << 4u) | ((bits & 0xF0F0F0F0u) >> 4u);
    bits = ((bits & 0x00FF00FFu) << 8u) | ((bits & 0xFF00FF00u) >> 8u);
    return static_cast<float>(bits) * 2.3283064365386963e-10f;
}

// Light directions of a GGX lobe around +z with the view along the normal, and their
// cosine weights; computed once per level and turned into each texel's frame.
struct LobeSample {
    Vec3 direction;
    float weight;
};

std::vector<LobeSample> GgxLobe(float alpha)
{
    std::vector<LobeSample> lobe;
    const float a2 = alpha * alpha;
    for (int i = 0; i < kFilterSamples; ++i) {
        const float e1 = static_cast<float>(i) / kFilterSamples;
        const float e2 = RadicalInverse(static_cast<uint32_t>(i));
        const float phi = 2 * std::numbers::pi_v<float> * e1;
        const float cosTheta = std::sqrt((1 - e2) / (1 + (a2 - 1) * e2));
        const float sinTheta = std::sqrt(std::max(0.0f, 1 - cosTheta * cosTheta));
        const Vec3 h{sinTheta * std::cos(phi), sinTheta * std::sin(phi), cosTheta};
        const Vec3 l = h * (2 * h.z) - Vec3{0, 0, 1};
        if (l.z > 0)
            lobe.push_back({l, l.z});
    }
    return lobe;
}

float RoughnessOfMip(int mip, int mipCount)
{
    return mipCount > 1 ? static_cast<float>(mip) / (mipCount - 1) : 0.0f;
}

// Convolving lobe after lobe adds their squared widths, so each level adds only what the
// level above lacks; the source texel size sets a floor against aliasing.
float IncrementalAlpha(int mip, int mipCount, int sourceSize)
{
    const float alpha = std::pow(RoughnessOfMip(mip, mipCount), 2.0f);
    const float previous = std::pow(RoughnessOfMip(mip - 1, mipCount), 2.0f);
    return std::max(std::sqrt(std::max(alpha * alpha - previous * previous, 0.0f)),
                    2.0f / sourceSize);
}

std::array<FloatImage, 6> Prefilter(const std::array<const FloatImage*, 6>& source, float alpha)
{
    const int size = std::max(1, source[0]->size / 2);
    const std::vector<LobeSample> lobe = GgxLobe(alpha);
    std::array<FloatImage, 6> faces;
    for (int face = 0; face < 6; ++face) {
        FloatImage& image = faces[face];
        image = {size, std::vector<float>(static_cast<size_t>(size) * size * 4)};
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const Vec3 n =
                    CubeDirection(face, 2 * (x + 0.5f) / size - 1, 2 * (y + 0.5f) / size - 1);
                const Frame frame = FrameAround(n);
                Vec3 sum;
                float weights = 0;
                for (const LobeSample& s : lobe) {
                    const Vec3 l = frame.tangent * s.direction.x + frame.bitangent * s.direction.y +
                                   frame.axis * s.direction.z;
                    sum = sum + SampleCube(source, l) * s.weight;
                    weights += s.weight;
                }
                sum = sum * (1.0f / weights);
                float* t = &image.texels[(static_cast<size_t>(y) * size + x) * 4];
                t[0] = sum.x;
                t[1] = sum.y;
                t[2] = sum.z;
                t[3] = 1;
            }
        }
    }
    return faces;
}

}  // namespace

CubeMips BakePrefilteredCube(int faceSize, const RadianceFunction& radiance)
{
    int mipCount = 1;
    while ((faceSize >> (mipCount - 1)) > 1)
        ++mipCount;

    CubeMips mips;
    for (int face = 0; face < 6; ++face)
        mips[face].push_back(RenderFace(face, faceSize, radiance));
    for (int mip = 1; mip < mipCount; ++mip) {
        std::array<const FloatImage*, 6> source;
        for (int face = 0; face < 6; ++face)
            source[face] = &mips[face][mip - 1];
        const float alpha = IncrementalAlpha(mip, mipCount, source[0]->size);
        std::array<FloatImage, 6> level = Prefilter(source, alpha);
        for (int face = 0; face < 6; ++face)
            mips[face].push_back(std::move(level[face]));
    }
    return mips;
}

}  // namespace assets
