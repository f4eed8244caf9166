// Framing a large model: the points go through in stretches on every core, and the answer
// must be the one a single pass gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "math/Transforms.h"
#include "models/MeshObject.h"
#include "models/ModelNode.h"
#include "models/VertexFormat.h"
#include "scene/ModelFraming.h"

namespace {

// Deterministic points well inside the unit ball.
std::vector<Float3> InnerPoints(size_t count)
{
    std::vector<Float3> points(count);
    uint32_t state = 12345;
    const auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / static_cast<float>(1u << 24) - 0.5f;
    };
    for (Float3& p : points)
        p = {next(), next(), next()};
    return points;
}

}  // namespace

// Points inside the hull of a few never decide the framing: all of them, the few spread
// over several stretches (the last one too), frame exactly as the few alone do.
TEST(ModelFraming, ManyPointsFrameExactlyAsTheirHull)
{
    std::vector<Float3> points = InnerPoints(200000);
    const std::vector<Float3> hull = {
        {-2.0f, -1.0f, -3.0f}, {2.5f, -1.0f, -3.0f}, {-2.0f, 1.5f, -3.0f}, {2.5f, 1.5f, -3.0f},
        {-2.0f, -1.0f, 2.0f},  {2.5f, -1.0f, 2.0f},  {-2.0f, 1.5f, 2.0f},  {2.5f, 1.5f, 2.0f}};
    const size_t places[] = {0, 65535, 65536, 131071, 131072, 150000, 199998, 199999};
    for (size_t i = 0; i < hull.size(); ++i)
        points[places[i]] = hull[i];
    const Matrix4 rotation = Multiply(RotationY(0.6f), RotationX(-0.4f));
    const auto all = FramePoints(points, rotation, 1.3f, 1.7f, 0.06f, 0.01f);
    const auto few = FramePoints(hull, rotation, 1.3f, 1.7f, 0.06f, 0.01f);
    ASSERT_TRUE(all && few);
    EXPECT_EQ(all->panX, few->panX);
    EXPECT_EQ(all->panY, few->panY);
    EXPECT_EQ(all->zoom, few->zoom);
    EXPECT_EQ(all->farthest, few->farthest);
}

// A mesh of many rows, some of them not finite (at and around the stretches' seams): the
// drawn positions are the finite rows, in their order, none lost or repeated.
TEST(ModelFraming, DrawnPositionsOfALargeMeshLeaveOutOnlyTheRowsNotFinite)
{
    constexpr size_t kRows = 150000;
    auto mesh = std::make_shared<MeshData>();
    mesh->format = vertexformat::kPosition;
    mesh->stride = 16;
    mesh->vertexCount = kRows;
    mesh->vertices.resize(kRows * mesh->stride);
    std::vector<Float3> expected;
    const std::vector<size_t> broken = {3, 65535, 65536, 65537, 100000, 131071, kRows - 1};
    for (size_t row = 0; row < kRows; ++row) {
        Float3 p = {static_cast<float>(row), -static_cast<float>(row % 977), 0.25f};
        if (std::find(broken.begin(), broken.end(), row) != broken.end())
            p[row % 3] = row % 2 ? NAN : INFINITY;
        else
            expected.push_back(p);
        std::memcpy(mesh->vertices.data() + row * mesh->stride, p.data(), sizeof p);
    }
    CModelNode root(nullptr, "");
    root.meshObjects.push_back(std::make_unique<CMeshObject>());
    root.meshObjects[0]->meshData = mesh;
    EXPECT_EQ(DrawnPositions(root), expected);
}
