// The UV layout's logic without GL: edges from packed vertices, their bounds, the mapping
// to preview pixels, and what hostile or empty meshes give.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "models/MeshData.h"
#include "models/UvLayout.h"
#include "models/VertexAttributes.h"
#include "models/VertexFormat.h"

namespace {

using namespace vertexformat;

// A mesh of positions and UV set 0 (as stored: V flipped), and sets 1 to 3 when `extraSets`
// holds them (set s at [s - 1]).
MeshData UvMesh(const std::vector<UvPoint>& stored, const std::vector<uint32_t>& indices,
                const std::vector<std::vector<UvPoint>>& extraSets = {})
{
    MeshData mesh;
    mesh.format = kPosition | kTexCoord0 | (extraSets.empty() ? 0u : kTexSets);
    const VertexAttributeOffsets offsets = AttributeOffsets(mesh.format);
    mesh.stride = offsets.stride;
    mesh.vertexCount = static_cast<uint32_t>(stored.size());
    mesh.vertices.assign(size_t(mesh.vertexCount) * mesh.stride, 0);
    mesh.uvSetMask = 1;
    auto put = [&](uint32_t vertex, uint32_t set, UvPoint uv) {
        std::memcpy(&mesh.vertices[vertex * mesh.stride + UvSetOffset(offsets, set)], &uv,
                    sizeof(uv));
    };
    for (uint32_t v = 0; v < mesh.vertexCount; ++v)
        put(v, 0, stored[v]);
    for (uint32_t set = 1; set <= extraSets.size(); ++set) {
        if (extraSets[set - 1].empty())
            continue;
        mesh.uvSetMask = static_cast<uint8_t>(mesh.uvSetMask | (1u << set));
        for (uint32_t v = 0; v < mesh.vertexCount; ++v)
            put(v, set, extraSets[set - 1][v]);
    }
    mesh.indices = indices;
    return mesh;
}

// The unit quad, two triangles sharing a diagonal.
MeshData Quad()
{
    return UvMesh({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {0, 1, 2, 0, 2, 3});
}

// A grid of cells x cells quads over the unit square: 3 c^2 + 2 c edges.
MeshData Grid(uint32_t cells)
{
    std::vector<UvPoint> uvs;
    std::vector<uint32_t> indices;
    for (uint32_t y = 0; y <= cells; ++y)
        for (uint32_t x = 0; x <= cells; ++x)
            uvs.push_back({float(x) / cells, float(y) / cells});
    for (uint32_t y = 0; y < cells; ++y) {
        for (uint32_t x = 0; x < cells; ++x) {
            const uint32_t a = y * (cells + 1) + x, b = a + 1, c = a + cells + 1, d = c + 1;
            indices.insert(indices.end(), {a, b, d, a, d, c});
        }
    }
    return UvMesh(uvs, indices);
}

void ExpectPixel(PixelPoint actual, float x, float y, const char* what)
{
    EXPECT_NEAR(actual.x, x, 1e-3f) << what;
    EXPECT_NEAR(actual.y, y, 1e-3f) << what;
}

}  // namespace

TEST(UvLayout, AQuadFillsThePreviewWithVZeroAtTheBottom)
{
    const UvEdges edges = ExtractUvEdges(Quad(), 0);
    ASSERT_FALSE(edges.bounds.Empty());
    const PixelRect rect{100, 50, 400, 400};
    const UvView view = FitUvView(edges.bounds, rect);
    // Stored v = 0 is the artist's v = 1: the top of the texture.
    ExpectPixel(UvToPixel(view, rect, {0, 0}), 100, 450, "bottom left");
    ExpectPixel(UvToPixel(view, rect, {1, 0}), 500, 450, "bottom right");
    ExpectPixel(UvToPixel(view, rect, {1, 1}), 500, 50, "top right");
    ExpectPixel(UvToPixel(view, rect, {0, 1}), 100, 50, "top left");

    // Not square: the unit square fills the shorter side, centred along the longer.
    const PixelRect wide{0, 0, 800, 400};
    const UvView wideView = FitUvView(edges.bounds, wide);
    ExpectPixel(UvToPixel(wideView, wide, {0, 0}), 200, 400, "wide, bottom left");
    ExpectPixel(UvToPixel(wideView, wide, {1, 1}), 600, 0, "wide, top right");
}

TEST(UvLayout, PixelsAndUvsMapBothWaysAndZoomHoldsThePointUnderThePointer)
{
    const PixelRect rect{10, 20, 300, 200};
    const UvView views[] = {{{0.5f, 0.5f}, 1.0f}, {{-3.0f, 7.5f}, 0.01f}, {{0.25f, 0.8f}, 37.0f}};
    for (const UvView& view : views) {
        for (UvPoint uv : {UvPoint{0, 0}, UvPoint{0.3f, -2}, UvPoint{5, 1}}) {
            const UvPoint back = PixelToUv(view, rect, UvToPixel(view, rect, uv));
            EXPECT_NEAR(back.u, uv.u, 1e-3f);
            EXPECT_NEAR(back.v, uv.v, 1e-3f);
        }
        const PixelPoint pointer{200, 70};
        const UvPoint under = PixelToUv(view, rect, pointer);
        const UvView zoomed = ZoomAbout(view, rect, pointer, 1.5f);
        EXPECT_NEAR(zoomed.zoom, view.zoom * 1.5f, view.zoom * 1e-5f);
        const PixelPoint after = UvToPixel(zoomed, rect, under);
        ExpectPixel(after, pointer.x, pointer.y, "zoom");
        // Dragging by (dx, dy) moves what was under the pointer along with it.
        const UvView panned = PanByPixels(view, rect, 25, -40);
        ExpectPixel(UvToPixel(panned, rect, under), pointer.x + 25, pointer.y - 40, "pan");
    }
    const UvView limited = ZoomAbout({}, rect, {0, 0}, 1e9f);
    EXPECT_EQ(limited.zoom, kMaxUvZoom);
    EXPECT_EQ(ZoomAbout({}, rect, {0, 0}, std::nanf("")).zoom, 1.0f);
}

TEST(UvLayout, SharedEdgesAndCoincidingUvsCountOnce)
{
    struct Case {
        const char* name;
        MeshData mesh;
        size_t edges;
    };
    // The quad again with each triangle's own vertices, as a mesh split by normals is.
    const MeshData split =
        UvMesh({{0, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}}, {0, 1, 2, 3, 4, 5});
    // A triangle whose two corners share a UV is a line: one edge.
    const MeshData collapsed = UvMesh({{0, 0}, {1, 0}, {1, 0}}, {0, 1, 2});
    const MeshData negativeZero = UvMesh({{0, 0}, {-0.0f, 0}, {1, 1}, {0, 1}}, {0, 2, 3, 1, 2, 3});
    const Case cases[] = {{"quad", Quad(), 5},
                          {"split quad", split, 5},
                          {"collapsed", collapsed, 1},
                          {"-0 is 0", negativeZero, 3},
                          {"grid 10", Grid(10), 3 * 100 + 2 * 10}};
    for (const Case& c : cases) {
        const UvEdges result = ExtractUvEdges(c.mesh, 0);
        EXPECT_EQ(result.edges.size(), c.edges) << c.name;
        EXPECT_FALSE(result.truncated) << c.name;
        EXPECT_EQ(result.skippedTriangles, 0u) << c.name;
        for (const UvEdge& edge : result.edges)
            EXPECT_FALSE(edge.a.u == edge.b.u && edge.a.v == edge.b.v) << c.name;
    }
    // Stored V is flipped back: the stored (0, 0) corner is the artist's (0, 1).
    const UvEdges quad = ExtractUvEdges(Quad(), 0);
    EXPECT_TRUE(std::any_of(quad.edges.begin(), quad.edges.end(), [](const UvEdge& e) {
        return (e.a.u == 0 && e.a.v == 1) || (e.b.u == 0 && e.b.v == 1);
    }));
}

TEST(UvLayout, OutOfRangeUvsWidenTheBoundsMarkTheirEdgesAndStayInTheFittedView)
{
    // Stored v = 1.5 is the artist's v = -0.5.
    const MeshData mesh =
        UvMesh({{0, 0}, {1, 0}, {2.5f, 1.5f}, {0.2f, 0.2f}, {0.8f, 0.2f}, {0.5f, 0.9f}},
               {0, 1, 2, 3, 4, 5});
    const UvEdges result = ExtractUvEdges(mesh, 0);
    EXPECT_FLOAT_EQ(result.bounds.minU, 0.0f);
    EXPECT_FLOAT_EQ(result.bounds.maxU, 2.5f);
    EXPECT_FLOAT_EQ(result.bounds.minV, -0.5f);
    EXPECT_FLOAT_EQ(result.bounds.maxV, 1.0f);
    EXPECT_FALSE(result.bounds.InsideUnitSquare());
    ASSERT_EQ(result.edges.size(), 6u);
    size_t outside = 0;
    for (const UvEdge& edge : result.edges)
        outside += edge.outside;
    EXPECT_EQ(outside, 2u) << "the two edges to (2.5, -0.5)";

    const PixelRect rect{0, 0, 500, 300};
    const UvView view = FitUvView(result.bounds, rect);
    for (UvPoint corner : {UvPoint{0, -0.5f}, UvPoint{2.5f, 1}, UvPoint{0, 1}, UvPoint{1, 0}}) {
        const PixelPoint p = UvToPixel(view, rect, corner);
        EXPECT_TRUE(p.x >= -1e-3f && p.x <= 500.001f && p.y >= -1e-3f && p.y <= 300.001f)
            << corner.u << ", " << corner.v;
    }
    // UVs near the float limit fit without overflow.
    UvBounds huge;
    huge.Add({-3e38f, -3e38f});
    huge.Add({3e38f, 3e38f});
    const UvView far = FitUvView(huge, rect);
    EXPECT_TRUE(std::isfinite(far.zoom) && far.zoom >= kMinUvZoom);
}

TEST(UvLayout, EmptyAndHostileMeshesGiveAMessageAndNoEdges)
{
    struct Case {
        const char* name;
        MeshData mesh;
        uint32_t set;
        const char* problem;  // empty: a layout, perhaps with triangles left out
        size_t skipped;
    };
    MeshData noUvs = Quad();
    noUvs.uvSetMask = 0;  // the import gave none: set 0 holds zeros
    MeshData noVertices = Quad();
    noVertices.vertices.clear();
    noVertices.stride = 0;
    MeshData shortVertices = Quad();
    shortVertices.vertices.resize(shortVertices.vertices.size() - 1);
    MeshData wrongStride = Quad();
    wrongStride.stride += 4;
    MeshData noTriangles = Quad();
    noTriangles.indices.resize(2);
    MeshData badIndices = Quad();
    badIndices.indices = {0, 1, 2, 0, 2, 99, 0, 4000000000u, 3, 1, 2};  // and a stray pair
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const MeshData notNumbers =
        UvMesh({{0, 0}, {1, 0}, {nan, 1}, {0, inf}, {1, 1}}, {0, 1, 2, 0, 1, 3, 0, 1, 4});
    const MeshData threeSets =
        UvMesh({{0, 0}, {1, 0}, {1, 1}}, {0, 1, 2}, {{}, {{0, 0}, {2, 0}, {2, 2}}, {}});
    const Case cases[] = {
        {"no UVs", noUvs, 0, "This mesh has no texture coordinates", 0},
        {"no vertices", noVertices, 0, "This mesh has no vertices", 0},
        {"short vertices", shortVertices, 0, "This mesh's vertices are not laid out as expected",
         0},
        {"wrong stride", wrongStride, 0, "This mesh's vertices are not laid out as expected", 0},
        {"no triangles", noTriangles, 0, "This mesh has no triangles", 0},
        {"absent set", Quad(), 1, "This mesh has no UV2", 0},
        {"set past the last", Quad(), 7, "This mesh has no UV8", 0},
        {"set not imported", threeSets, 1, "This mesh has no UV2", 0},
        {"bad indices", badIndices, 0, "", 2},
        {"not numbers", notNumbers, 0, "", 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UvLayoutProblem(&c.mesh, c.set), c.problem) << c.name;
        const UvEdges result = ExtractUvEdges(c.mesh, c.set);
        EXPECT_EQ(result.skippedTriangles, c.skipped) << c.name;
        if (*c.problem)
            EXPECT_TRUE(result.edges.empty() && result.bounds.Empty()) << c.name;
        else
            EXPECT_EQ(result.edges.size(), 3u) << c.name << ": the one good triangle";
    }
    EXPECT_EQ(UvLayoutProblem(nullptr, 0), "No mesh to show");

    // A mesh with sets 0 and 2 offers those; set 2's own UVs are read.
    const std::array<bool, 4> sets = AvailableUvSets(threeSets);
    EXPECT_TRUE(sets[0] && !sets[1] && sets[2] && !sets[3]);
    EXPECT_FLOAT_EQ(ExtractUvEdges(threeSets, 2).bounds.maxU, 2.0f);
    EXPECT_FLOAT_EQ(ExtractUvEdges(threeSets, 2).bounds.minV, -1.0f);
}

TEST(UvLayout, StoredAndDrawnEdgesAreCappedAndSpreadOverTheLayout)
{
    const MeshData grid = Grid(40);  // 4880 edges
    const UvEdges capped = ExtractUvEdges(grid, 0, 500);
    EXPECT_TRUE(capped.truncated);
    ASSERT_EQ(capped.edges.size(), 500u);
    UvBounds kept;
    for (const UvEdge& edge : capped.edges)
        kept.Add(edge.a);
    EXPECT_LT(kept.minU, 0.1f);
    EXPECT_GT(kept.maxU, 0.9f) << "not only the edges of lowest u";

    const UvEdges all = ExtractUvEdges(grid, 0);
    std::vector<uint32_t> drawn;
    UvBounds everything;
    everything.Add({-1, -1});
    everything.Add({2, 2});
    SelectDrawnEdges(all.edges, everything, 1000, drawn);
    ASSERT_EQ(drawn.size(), 1000u);
    EXPECT_LT(drawn.front(), 10u);
    EXPECT_GT(drawn.back(), all.edges.size() - 10) << "spread to the end";
    EXPECT_TRUE(std::is_sorted(drawn.begin(), drawn.end()));
    EXPECT_EQ(std::adjacent_find(drawn.begin(), drawn.end()), drawn.end());

    // Only edges that may cross the view are drawn, including one that spans it without an
    // end inside.
    const std::vector<UvEdge> edges = {
        {{0.1f, 0.1f}, {0.2f, 0.2f}, false},
        {{5, 5}, {6, 6}, true},
        {{-1, 0.5f}, {2, 0.5f}, true},
    };
    UvBounds unit;
    unit.Add({0, 0});
    unit.Add({1, 1});
    SelectDrawnEdges(edges, unit, kMaxDrawnUvEdges, drawn);
    EXPECT_EQ(drawn, (std::vector<uint32_t>{0, 2}));
}
