// The UV layout's logic without GL: edges from packed vertices, their bounds, the mapping
// to preview pixels, and what hostile or empty meshes give.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "models/MeshData.h"
#include "models/UvLayout.h"
#include "models/VertexAttributes.h"
#include "models/VertexFormat.h"

namespace {

using namespace vertexformat;

// A mesh of positions and UV set 0 (as stored: V flipped), and UV set `set` when `extra`
// holds its UVs.
MeshData UvMesh(const std::vector<UvPoint>& stored, const std::vector<uint32_t>& indices,
                uint32_t set = 0, const std::vector<UvPoint>& extra = {})
{
    MeshData mesh;
    mesh.format = kPosition | kTexCoord0 | (extra.empty() ? 0u : kTexSets);
    const VertexAttributeOffsets offsets = AttributeOffsets(mesh.format);
    mesh.stride = offsets.stride;
    mesh.vertexCount = static_cast<uint32_t>(stored.size());
    mesh.vertices.assign(size_t(mesh.vertexCount) * mesh.stride, 0);
    mesh.uvSetMask = static_cast<uint8_t>(1u | (extra.empty() ? 0u : 1u << set));
    for (uint32_t v = 0; v < mesh.vertexCount; ++v) {
        uint8_t* vertex = &mesh.vertices[v * mesh.stride];
        std::memcpy(vertex + UvSetOffset(offsets, 0), &stored[v], sizeof(UvPoint));
        if (!extra.empty())
            std::memcpy(vertex + UvSetOffset(offsets, set), &extra[v], sizeof(UvPoint));
    }
    mesh.indices = indices;
    return mesh;
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

// The unit quad, two triangles sharing a diagonal.
MeshData Quad()
{
    return Grid(1);
}

std::array<float, 4> Extent(const UvBounds& box)
{
    return {box.minU, box.minV, box.maxU, box.maxV};
}

UvBounds Box(UvPoint low, UvPoint high)
{
    UvBounds box;
    box.Add(low);
    box.Add(high);
    return box;
}

// `Quad()` after `change`.
MeshData QuadWith(const std::function<void(MeshData&)>& change)
{
    MeshData mesh = Quad();
    change(mesh);
    return mesh;
}

void ExpectPixel(PixelPoint actual, float x, float y, const char* what)
{
    EXPECT_NEAR(actual.x, x, 1e-3f) << what;
    EXPECT_NEAR(actual.y, y, 1e-3f) << what;
}

}  // namespace

// Stored v = 0 is the artist's v = 1: the top of the texture. Not square, the unit square
// fills the shorter side, centred along the longer.
TEST(UvLayout, AQuadFillsThePreviewWithVZeroAtTheBottom)
{
    const UvBounds bounds = ExtractUvEdges(Quad(), 0).bounds;
    const auto at = [&](const PixelRect& rect, UvPoint uv) {
        return UvToPixel(FitUvView(bounds, rect), rect, uv);
    };
    const PixelRect square{100, 50, 400, 400}, wide{0, 0, 800, 400};
    ExpectPixel(at(square, {0, 0}), 100, 450, "bottom left");
    ExpectPixel(at(square, {1, 0}), 500, 450, "bottom right");
    ExpectPixel(at(square, {1, 1}), 500, 50, "top right");
    ExpectPixel(at(square, {0, 1}), 100, 50, "top left");
    ExpectPixel(at(wide, {0, 0}), 200, 400, "wide, bottom left");
    ExpectPixel(at(wide, {1, 1}), 600, 0, "wide, top right");
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
        ExpectPixel(UvToPixel(zoomed, rect, under), pointer.x, pointer.y, "zoom");
        // Dragging by (dx, dy) moves what was under the pointer along with it.
        const UvView panned = PanByPixels(view, rect, 25, -40);
        ExpectPixel(UvToPixel(panned, rect, under), pointer.x + 25, pointer.y - 40, "pan");
    }
    EXPECT_EQ(ZoomAbout({}, rect, {0, 0}, 1e9f).zoom, kMaxUvZoom);
    EXPECT_EQ(ZoomAbout({}, rect, {0, 0}, std::nanf("")).zoom, 1.0f);
}

TEST(UvLayout, SharedEdgesAndCoincidingUvsCountOnce)
{
    const struct {
        const char* name;
        MeshData mesh;
        size_t edges;
    } cases[] = {
        {"quad", Quad(), 5},
        // Each triangle with its own vertices, as a mesh split by normals is.
        {"split quad", UvMesh({{0, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}}, {0, 1, 2, 3, 4, 5}),
         5},
        // Two corners sharing a UV make a line: one edge.
        {"collapsed", UvMesh({{0, 0}, {1, 0}, {1, 0}}, {0, 1, 2}), 1},
        {"-0 is 0", UvMesh({{0, 0}, {-0.0f, 0}, {1, 1}, {0, 1}}, {0, 2, 3, 1, 2, 3}), 3},
        {"grid 10", Grid(10), 3 * 100 + 2 * 10},
    };
    for (const auto& c : cases) {
        const UvEdges result = ExtractUvEdges(c.mesh, 0);
        EXPECT_EQ(result.edges.size(), c.edges) << c.name;
        EXPECT_FALSE(result.truncated) << c.name;
        EXPECT_EQ(result.skippedTriangles, 0u) << c.name;
        for (const UvEdge& edge : result.edges)
            EXPECT_FALSE(edge.a.u == edge.b.u && edge.a.v == edge.b.v) << c.name;
    }
}

TEST(UvLayout, OutOfRangeUvsWidenTheBoundsMarkTheirEdgesAndStayInTheFittedView)
{
    // Stored v = 1.5 is the artist's v = -0.5.
    const MeshData mesh =
        UvMesh({{0, 0}, {1, 0}, {2.5f, 1.5f}, {0.2f, 0.2f}, {0.8f, 0.2f}, {0.5f, 0.9f}},
               {0, 1, 2, 3, 4, 5});
    const UvEdges result = ExtractUvEdges(mesh, 0);
    EXPECT_EQ(Extent(result.bounds), (std::array<float, 4>{0, -0.5f, 2.5f, 1}));
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
    const UvView far = FitUvView(Box({-3e38f, -3e38f}, {3e38f, 3e38f}), rect);
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
    const char* const kBadLayout = "This mesh's vertices are not laid out as expected";
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const MeshData notNumbers =
        UvMesh({{0, 0}, {1, 0}, {nan, 1}, {0, inf}, {1, 1}}, {0, 1, 2, 0, 1, 3, 0, 1, 4});
    const MeshData threeSets =
        UvMesh({{0, 0}, {1, 0}, {1, 1}}, {0, 1, 2}, 2, {{0, 0}, {2, 0}, {2, 2}});
    const Case cases[] = {
        // The import gave no UVs: set 0 holds zeros.
        {"no UVs", QuadWith([](MeshData& m) { m.uvSetMask = 0; }), 0,
         "This mesh has no texture coordinates", 0},
        {"no vertices", QuadWith([](MeshData& m) {
             m.vertices.clear();
             m.stride = 0;
         }),
         0, "This mesh has no vertices", 0},
        {"short vertices", QuadWith([](MeshData& m) { m.vertices.pop_back(); }), 0, kBadLayout, 0},
        {"wrong stride", QuadWith([](MeshData& m) { m.stride += 4; }), 0, kBadLayout, 0},
        {"no triangles", QuadWith([](MeshData& m) { m.indices.resize(2); }), 0,
         "This mesh has no triangles", 0},
        {"absent set", Quad(), 1, "This mesh has no UV2", 0},
        {"set past the last", Quad(), 7, "This mesh has no UV8", 0},
        {"set not imported", threeSets, 1, "This mesh has no UV2", 0},
        // Two indices past the vertices, and a stray pair at the end.
        {"bad indices",
         QuadWith([](MeshData& m) { m.indices = {0, 1, 2, 0, 2, 99, 0, 4000000000u, 3, 1, 2}; }), 0,
         "", 2},
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
    EXPECT_EQ(Extent(ExtractUvEdges(threeSets, 2).bounds), (std::array<float, 4>{0, -1, 2, 1}));
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
    SelectDrawnEdges(all.edges, Box({-1, -1}, {2, 2}), 1000, drawn);
    ASSERT_EQ(drawn.size(), 1000u);
    EXPECT_LT(drawn.front(), 10u);
    EXPECT_GT(drawn.back(), all.edges.size() - 10) << "spread to the end";
    EXPECT_TRUE(std::is_sorted(drawn.begin(), drawn.end()));
    EXPECT_EQ(std::adjacent_find(drawn.begin(), drawn.end()), drawn.end());

    // Only edges that may cross the view are drawn, including one that spans it without an
    // end inside.
    const std::vector<UvEdge> edges = {
        {{0.1f, 0.1f}, {0.2f, 0.2f}, false}, {{5, 5}, {6, 6}, true}, {{-1, 0.5f}, {2, 0.5f}, true}};
    SelectDrawnEdges(edges, Box({0, 0}, {1, 1}), kMaxDrawnUvEdges, drawn);
    EXPECT_EQ(drawn, (std::vector<uint32_t>{0, 2}));
}
