#include "CubeMapSampling.h"

#include <algorithm>
#include <cmath>

namespace assets {

Vec3 CubeDirection(int face, float u, float v)
{
    switch (face) {
        case 0:
            return Normalize({1, -v, -u});
        case 1:
            return Normalize({-1, -v, u});
        case 2:
            return Normalize({u, 1, v});
        case 3:
            return Normalize({u, -1, -v});
        case 4:
            return Normalize({u, -v, 1});
        default:
            return Normalize({-u, -v, -1});
    }
}

CubeFacePoint CubeFacePointOf(Vec3 d)
{
    const float ax = std::fabs(d.x), ay = std::fabs(d.y), az = std::fabs(d.z);
    if (ax >= ay && ax >= az) {
        return d.x > 0 ? CubeFacePoint{0, -d.z / ax, -d.y / ax}
                       : CubeFacePoint{1, d.z / ax, -d.y / ax};
    }
    if (ay >= az) {
        return d.y > 0 ? CubeFacePoint{2, d.x / ay, d.z / ay}
                       : CubeFacePoint{3, d.x / ay, -d.z / ay};
    }
    return d.z > 0 ? CubeFacePoint{4, d.x / az, -d.y / az} : CubeFacePoint{5, -d.x / az, -d.y / az};
}

Vec3 SampleCube(const std::array<const FloatImage*, 6>& level, Vec3 direction)
{
    const CubeFacePoint p = CubeFacePointOf(direction);
    const FloatImage& image = *level[p.face];
    const int n = image.size;
    const float fx = std::clamp((p.u + 1) * 0.5f * n - 0.5f, 0.0f, n - 1.0f);
    const float fy = std::clamp((p.v + 1) * 0.5f * n - 0.5f, 0.0f, n - 1.0f);
    const int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
    const int x1 = std::min(x0 + 1, n - 1), y1 = std::min(y0 + 1, n - 1);
    const float tx = fx - x0, ty = fy - y0;
    auto texel = [&](int x, int y) {
        const float* t = &image.texels[(static_cast<size_t>(y) * n + x) * 4];
        return Vec3{t[0], t[1], t[2]};
    };
    const Vec3 top = texel(x0, y0) * (1 - tx) + texel(x1, y0) * tx;
    const Vec3 bottom = texel(x0, y1) * (1 - tx) + texel(x1, y1) * tx;
    return top * (1 - ty) + bottom * ty;
}

}  // namespace assets
