// The asset generator's torus, the large model of the import figures: the triangle count
// asked for, a closed surface, and windings and normals that face outwards (a flipped
// winding would show the model inside out).
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <tuple>

#include "MeshBuilder.h"

namespace {

using assets::Vec3;

using Key = std::tuple<long, long, long>;

Key KeyOf(Vec3 p)
{
    return {std::lround(p.x * 1e4), std::lround(p.y * 1e4), std::lround(p.z * 1e4)};
}

TEST(GeneratedTorus, IsClosedAndFacesOutwards)
{
    constexpr float kMajor = 1.0f, kMinor = 0.35f;
    for (const auto& [segments, sides] : {std::pair{8, 4}, {24, 12}, {41, 17}}) {
        assets::MeshGeometry mesh;
        assets::AddTorus(mesh, kMajor, kMinor, segments, sides);
        ASSERT_EQ(mesh.indices.size(), size_t(2 * segments * sides) * 3) << segments;
        std::map<std::pair<Key, Key>, int> edges;
        for (size_t t = 0; t < mesh.indices.size(); t += 3) {
            const Vec3 a = mesh.positions[mesh.indices[t]], b = mesh.positions[mesh.indices[t + 1]],
                       c = mesh.positions[mesh.indices[t + 2]];
            const Vec3 face = assets::Cross(b - a, c - a);
            for (uint32_t i : {mesh.indices[t], mesh.indices[t + 1], mesh.indices[t + 2]}) {
                const Vec3 p = mesh.positions[i], n = mesh.normals[i];
                const float ring = std::sqrt(p.x * p.x + p.z * p.z);
                const Vec3 tubeCentre{p.x / ring * kMajor, 0.0f, p.z / ring * kMajor};
                EXPECT_NEAR(assets::Length(p - tubeCentre), kMinor, 1e-4f);
                EXPECT_GT(assets::Dot(n, p - tubeCentre), 0.0f) << "normal points inwards";
                EXPECT_GT(assets::Dot(face, n), 0.0f) << "winding against the normal";
            }
            // Undirected edges by position: the seams' doubled vertices meet there.
            for (auto [u, v] : {std::pair{a, b}, {b, c}, {c, a}})
                ++edges[std::minmax({KeyOf(u), KeyOf(v)})];
        }
        for (const auto& [edge, count] : edges)
            ASSERT_EQ(count, 2) << "an open or doubled edge, " << segments << " x " << sides;
    }
}

}  // namespace
