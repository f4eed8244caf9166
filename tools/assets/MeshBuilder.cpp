#include "MeshBuilder.h"

#include <algorithm>
#include <numbers>

namespace assets {

namespace {

// Triangles of (numerically) zero area would be dropped by the import's degenerate search
// anyway; leaving them out keeps the index counts predictable.
bool HasArea(const MeshGeometry& mesh, uint32_t a, uint32_t b, uint32_t c)
{
    const Vec3 e1 = mesh.positions[b] - mesh.positions[a];
    const Vec3 e2 = mesh.positions[c] - mesh.positions[a];
    return Length(Cross(e1, e2)) > 1e-6f * std::max(Dot(e1, e1), Dot(e2, e2));
}

void AddTriangle(MeshGeometry& mesh, uint32_t a, uint32_t b, uint32_t c)
{
    if (!HasArea(mesh, a, b, c))
        return;
    mesh.indices.insert(mesh.indices.end(), {a, b, c});
}

uint32_t AddVertex(MeshGeometry& mesh, Vec3 position, Vec3 normal, Vec2 uv)
{
    mesh.positions.push_back(position);
    mesh.normals.push_back(Normalize(normal));
    mesh.uvs.push_back(uv);
    return static_cast<uint32_t>(mesh.positions.size() - 1);
}

void AddFlatTriangle(MeshGeometry& mesh, Vec3 a, Vec3 b, Vec3 c, Vec2 ua, Vec2 ub, Vec2 uc)
{
    const Vec3 n = Cross(b - a, c - a);
    const uint32_t ia = AddVertex(mesh, a, n, ua);
    const uint32_t ib = AddVertex(mesh, b, n, ub);
    const uint32_t ic = AddVertex(mesh, c, n, uc);
    AddTriangle(mesh, ia, ib, ic);
}

}  // namespace

void AddLathe(MeshGeometry& mesh, Vec3 base, const Frame& frame,
              const std::vector<LatheRing>& rings, int segments)
{
    const auto first = static_cast<uint32_t>(mesh.positions.size());
    const auto columns = static_cast<uint32_t>(segments + 1);  // the seam column is doubled for u
    for (const LatheRing& ring : rings) {
        for (int j = 0; j <= segments; ++j) {
            const float angle = 2.0f * std::numbers::pi_v<float> * j / segments;
            const Vec3 radial = frame.tangent * std::cos(angle) + frame.bitangent * std::sin(angle);
            const Vec3 position = base + frame.axis * ring.height + radial * ring.radius;
            const Vec3 normal = radial * ring.normalRadial + frame.axis * ring.normalAxial;
            AddVertex(mesh, position, normal, {static_cast<float>(j) / segments, ring.v});
        }
    }
    for (uint32_t i = 0; i + 1 < rings.size(); ++i) {
        for (uint32_t j = 0; j < columns - 1; ++j) {
            const uint32_t a = first + i * columns + j;
            const uint32_t b = a + 1;
            const uint32_t c = b + columns;
            const uint32_t d = a + columns;
            AddTriangle(mesh, a, b, c);
            AddTriangle(mesh, a, c, d);
        }
    }
}

std::vector<LatheRing> ArrowProfile(float shaftRadius, float headRadius, float headLength,
                                    float length)
{
    const float neck = length - headLength;
    const float slant = std::sqrt(headLength * headLength + headRadius * headRadius);
    const float slantRadial = headLength / slant;
    const float slantAxial = headRadius / slant;
    return {
        {0, 0, 0, -1, 0.0f},
        {shaftRadius, 0, 0, -1, 0.05f},
        {shaftRadius, 0, 1, 0, 0.05f},
        {shaftRadius, neck, 1, 0, 0.6f},
        {shaftRadius, neck, 0, -1, 0.6f},
        {headRadius, neck, 0, -1, 0.65f},
        {headRadius, neck, slantRadial, slantAxial, 0.65f},
        {0, length, slantRadial, slantAxial, 1.0f},
    };
}

void AddTorus(MeshGeometry& mesh, float majorRadius, float minorRadius, int segments, int sides)
{
    std::vector<LatheRing> rings;
    for (int i = 0; i <= sides; ++i) {
        // The last ring repeats the first: the tube's seam carries both ends of v.
        const float angle = 2.0f * std::numbers::pi_v<float> * (i % sides) / sides;
        const float c = std::cos(angle), s = std::sin(angle);
        rings.push_back(
            {majorRadius + minorRadius * c, minorRadius * s, c, s, static_cast<float>(i) / sides});
    }
    AddLathe(mesh, {0, 0, 0}, FrameAround({0, 1, 0}), rings, segments);
}

void AddSphere(MeshGeometry& mesh, Vec3 centre, float radius, int segments, int rings)
{
    std::vector<LatheRing> profile;
    for (int k = 0; k <= rings; ++k) {
        const float phi = std::numbers::pi_v<float> * k / rings;  // from the south pole up
        // Exact zeros at the poles: a ring radius of 1e-8 survives as slivers that the
        // import's degenerate search turns into lines in a mesh of their own.
        const bool pole = k == 0 || k == rings;
        const float s = pole ? 0.0f : std::sin(phi);
        const float c = pole ? (k == 0 ? -1.0f : 1.0f) : -std::cos(phi);
        profile.push_back({radius * s, radius * c, s, c, static_cast<float>(k) / rings});
    }
    AddLathe(mesh, centre, FrameAround({0, 1, 0}), profile, segments);
}

void AddPatch(MeshGeometry& mesh, Vec3 centre, Vec3 u, Vec3 v, int cellsU, int cellsV)
{
    const auto first = static_cast<uint32_t>(mesh.positions.size());
    const Vec3 normal = Cross(u, v);
    for (int j = 0; j <= cellsV; ++j) {
        for (int i = 0; i <= cellsU; ++i) {
            const float s = static_cast<float>(i) / cellsU;
            const float t = static_cast<float>(j) / cellsV;
            AddVertex(mesh, centre + u * (2 * s - 1) + v * (2 * t - 1), normal, {s, t});
        }
    }
    const auto row = static_cast<uint32_t>(cellsU + 1);
    for (uint32_t j = 0; j < static_cast<uint32_t>(cellsV); ++j) {
        for (uint32_t i = 0; i < static_cast<uint32_t>(cellsU); ++i) {
            const uint32_t a = first + j * row + i;
            AddTriangle(mesh, a, a + 1, a + 1 + row);
            AddTriangle(mesh, a, a + 1 + row, a + row);
        }
    }
}

void AddGridLines(MeshGeometry& mesh, float halfSize, int cells)
{
    // The third corner stands off the line's far end by far less than a pixel at that
    // distance, and by enough for the triangle to keep its area.
    const float standOff = halfSize * 2e-5f;
    const Vec3 up{0, 1, 0};
    for (int i = 0; i <= cells; ++i) {
        const float at = halfSize * (2.0f * static_cast<float>(i) / cells - 1.0f);
        const float t = static_cast<float>(i) / cells;
        for (const bool alongZ : {true, false}) {
            const Vec3 start = alongZ ? Vec3{at, 0, -halfSize} : Vec3{-halfSize, 0, at};
            const Vec3 end = alongZ ? Vec3{at, 0, halfSize} : Vec3{halfSize, 0, at};
            const Vec3 side = alongZ ? Vec3{standOff, 0, 0} : Vec3{0, 0, standOff};
            const uint32_t a = AddVertex(mesh, start, up, alongZ ? Vec2{t, 0} : Vec2{0, t});
            const uint32_t b = AddVertex(mesh, end, up, alongZ ? Vec2{t, 1} : Vec2{1, t});
            const uint32_t c = AddVertex(mesh, end + side, up, alongZ ? Vec2{t, 1} : Vec2{1, t});
            // Both kinds face +y, as the plane did.
            if (alongZ)
                AddTriangle(mesh, a, b, c);
            else
                AddTriangle(mesh, a, c, b);
        }
    }
}

void AddInwardBox(MeshGeometry& mesh, float halfExtent)
{
    const Vec3 outward[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (const Vec3& side : outward) {
        const Frame frame = FrameAround(side * -1.0f);
        AddPatch(mesh, side * halfExtent, frame.tangent * halfExtent, frame.bitangent * halfExtent,
                 1, 1);
    }
}

void AddBoneShape(MeshGeometry& mesh, Vec3 base, Vec3 axis, float length, float width,
                  float widthAt)
{
    const Frame frame = FrameAround(axis);
    const Vec3 tip = base + frame.axis * length;
    const Vec3 middle = base + frame.axis * (length * widthAt);
    Vec3 ring[5];
    for (int k = 0; k <= 4; ++k) {
        const float angle = std::numbers::pi_v<float> * 0.5f * k;
        ring[k] =
            middle + (frame.tangent * std::cos(angle) + frame.bitangent * std::sin(angle)) * width;
    }
    for (int k = 0; k < 4; ++k) {
        const Vec2 u0{k / 4.0f, widthAt};
        const Vec2 u1{(k + 1) / 4.0f, widthAt};
        AddFlatTriangle(mesh, ring[k], ring[k + 1], tip, u0, u1, {(k + 0.5f) / 4.0f, 1});
        AddFlatTriangle(mesh, base, ring[k + 1], ring[k], {(k + 0.5f) / 4.0f, 0}, u1, u0);
    }
}

}  // namespace assets
