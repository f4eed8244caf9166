// A mesh's UV layout as the UV Layout window draws it: the deduplicated edges of its
// triangles in one UV set, their bounds, and the mapping between UVs and preview pixels
// for a zoom and pan. UVs here are the artist's: the importer flips V, so v = 1 - stored v
// and v = 0 lies at the bottom of the texture.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct MeshData;

constexpr size_t kMaxStoredUvEdges = 1000000;
constexpr size_t kMaxDrawnUvEdges = 100000;

struct UvPoint {
    float u = 0.0f;
    float v = 0.0f;
};

struct UvEdge {
    UvPoint a;
    UvPoint b;
    bool outside = false;  // an end lies outside the unit square
};

// Low above high while empty.
struct UvBounds {
    float minU = 1.0f;
    float minV = 1.0f;
    float maxU = 0.0f;
    float maxV = 0.0f;
    bool Empty() const { return minU > maxU || minV > maxV; }
    void Add(UvPoint point);
    // Whether the unit square holds them all (true while empty).
    bool InsideUnitSquare() const;
};

struct UvEdges {
    std::vector<UvEdge> edges;
    UvBounds bounds;  // of the finite UVs of the triangles read
    size_t triangles = 0;
    // Triangles with an index past the vertices or a UV that is not finite.
    size_t skippedTriangles = 0;
    bool truncated = false;  // more edges than the cap: only part of them is kept
};

// The UV sets (0 to 3) the mesh's import gave and its packed vertices carry.
std::array<bool, 4> AvailableUvSets(const MeshData& mesh);

// Why `mesh` has no layout to show in `set`, as the window says it; empty when it has one.
std::string UvLayoutProblem(const MeshData* mesh, uint32_t set);

// The edges of the triangles in `set`, each once however many triangles share it (two
// vertices with the same UV count as one point), at most `maxEdges` of them. Empty when
// UvLayoutProblem names a problem. Reads at most a few million edges at a time, so memory
// stays bounded by the cap for any mesh.
UvEdges ExtractUvEdges(const MeshData& mesh, uint32_t set, size_t maxEdges = kMaxStoredUvEdges);

// The preview's rectangle in window pixels.
struct PixelRect {
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
};

struct PixelPoint {
    float x = 0.0f;
    float y = 0.0f;
};

// Zoom 1 maps one UV unit to the preview's shorter side; `centre` lands at its middle.
struct UvView {
    UvPoint centre{0.5f, 0.5f};
    float zoom = 1.0f;
};

constexpr float kMinUvZoom = 1.0f / 4096.0f;
constexpr float kMaxUvZoom = 4096.0f;

PixelPoint UvToPixel(const UvView& view, const PixelRect& rect, UvPoint uv);
UvPoint PixelToUv(const UvView& view, const PixelRect& rect, PixelPoint pixel);
// The UV rectangle the preview shows.
UvBounds VisibleUvs(const UvView& view, const PixelRect& rect);

// The view that shows the unit square and `bounds` whole, as large as the preview allows.
UvView FitUvView(const UvBounds& bounds, const PixelRect& rect);
// Zoomed by `factor` about `pixel`, which keeps showing the same UV; zoom stays in range.
UvView ZoomAbout(const UvView& view, const PixelRect& rect, PixelPoint pixel, float factor);
// Moved so that what showed at a pixel shows `dx`, `dy` pixels further.
UvView PanByPixels(const UvView& view, const PixelRect& rect, float dx, float dy);

// The indices of the edges to draw: those that may cross `visible`, at most `cap`, taken
// evenly from all of them when there are more.
void SelectDrawnEdges(const std::vector<UvEdge>& edges, const UvBounds& visible, size_t cap,
                      std::vector<uint32_t>& out);
