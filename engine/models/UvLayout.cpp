#include "models/UvLayout.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "models/MeshData.h"
#include "models/VertexAttributes.h"

namespace {

constexpr uint32_t kNoPoint = UINT32_MAX;
// Edge keys gathered before each deduplication: bounds the scratch memory of huge meshes.
constexpr size_t kKeysPerPass = 4000000;

uint32_t FloatBits(float value)
{
    if (value == 0.0f)
        value = 0.0f;  // -0 and +0 are the same point
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

bool Finite(UvPoint point)
{
    return std::isfinite(point.u) && std::isfinite(point.v);
}

bool InUnitSquare(UvPoint point)
{
    return point.u >= 0.0f && point.u <= 1.0f && point.v >= 0.0f && point.v <= 1.0f;
}

// One id per distinct UV, so that vertices split only by normals or tangents share their
// edges; kNoPoint for a UV that is not finite.
struct UvPoints {
    std::vector<UvPoint> points;  // by id
    std::vector<uint32_t> idOf;   // by vertex
};

UvPoints NumberPoints(const MeshData& mesh, int32_t offset)
{
    std::vector<std::pair<uint64_t, uint32_t>> keyed;
    keyed.reserve(mesh.vertexCount);
    UvPoints result;
    result.idOf.assign(mesh.vertexCount, kNoPoint);
    std::vector<UvPoint> uvs(mesh.vertexCount);
    for (uint32_t vertex = 0; vertex < mesh.vertexCount; ++vertex) {
        const auto stored = ReadVertexFloat2(mesh, vertex, offset);
        if (!stored)
            break;
        const UvPoint uv{(*stored)[0], 1.0f - (*stored)[1]};
        if (!Finite(uv))
            continue;
        uvs[vertex] = uv;
        keyed.emplace_back((uint64_t(FloatBits(uv.u)) << 32) | FloatBits(uv.v), vertex);
    }
    std::sort(keyed.begin(), keyed.end());
    for (size_t i = 0; i < keyed.size(); ++i) {
        if (i == 0 || keyed[i].first != keyed[i - 1].first)
            result.points.push_back(uvs[keyed[i].second]);
        result.idOf[keyed[i].second] = static_cast<uint32_t>(result.points.size() - 1);
    }
    return result;
}

void SortUnique(std::vector<uint64_t>& keys)
{
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
}

}  // namespace

void UvBounds::Add(UvPoint point)
{
    if (Empty()) {
        minU = maxU = point.u;
        minV = maxV = point.v;
        return;
    }
    minU = std::min(minU, point.u);
    maxU = std::max(maxU, point.u);
    minV = std::min(minV, point.v);
    maxV = std::max(maxV, point.v);
}

bool UvBounds::InsideUnitSquare() const
{
    return Empty() || (minU >= 0.0f && maxU <= 1.0f && minV >= 0.0f && maxV <= 1.0f);
}

std::array<bool, 4> AvailableUvSets(const MeshData& mesh)
{
    std::array<bool, 4> sets{};
    const VertexAttributeOffsets offsets = AttributeOffsets(mesh.format);
    for (uint32_t set = 0; set < sets.size(); ++set)
        sets[set] = (mesh.uvSetMask & (1u << set)) != 0 && UvSetOffset(offsets, set) >= 0;
    return sets;
}

std::string UvLayoutProblem(const MeshData* mesh, uint32_t set)
{
    if (!mesh)
        return "No mesh to show";
    if (!mesh->HasVertexData())
        return "This mesh has no vertices";
    const VertexAttributeOffsets offsets = AttributeOffsets(mesh->format);
    if (offsets.stride != mesh->stride || !mesh->HasEveryVertex())
        return "This mesh's vertices are not laid out as expected";
    const std::array<bool, 4> sets = AvailableUvSets(*mesh);
    if (std::none_of(sets.begin(), sets.end(), [](bool present) { return present; }))
        return "This mesh has no texture coordinates";
    if (set >= sets.size() || !sets[set])
        return "This mesh has no UV" + std::to_string(set + 1);
    if (mesh->indices.size() < 3)
        return "This mesh has no triangles";
    return {};
}

UvEdges ExtractUvEdges(const MeshData& mesh, uint32_t set, size_t maxEdges)
{
    UvEdges result;
    if (!UvLayoutProblem(&mesh, set).empty() || maxEdges == 0)
        return result;
    const UvPoints points = NumberPoints(mesh, UvSetOffset(AttributeOffsets(mesh.format), set));

    std::vector<uint64_t> keys;
    size_t unique = 0;  // keys[0, unique) are sorted and distinct
    const size_t indexCount = mesh.indices.size() - mesh.indices.size() % 3;
    for (size_t first = 0; first < indexCount; first += 3) {
        uint32_t ids[3];
        bool usable = true;
        for (int corner = 0; corner < 3; ++corner) {
            const uint32_t vertex = mesh.indices[first + corner];
            ids[corner] = vertex < mesh.vertexCount ? points.idOf[vertex] : kNoPoint;
            usable = usable && ids[corner] != kNoPoint;
        }
        ++result.triangles;
        if (!usable) {
            ++result.skippedTriangles;
            continue;
        }
        for (int corner = 0; corner < 3; ++corner) {
            const uint32_t a = ids[corner], b = ids[(corner + 1) % 3];
            result.bounds.Add(points.points[a]);
            if (a != b)
                keys.push_back((uint64_t(std::min(a, b)) << 32) | std::max(a, b));
        }
        if (keys.size() - unique >= kKeysPerPass) {
            SortUnique(keys);
            unique = keys.size();
            if (unique > maxEdges) {
                // The rest of the mesh is left out: its triangles count as read no more.
                result.truncated = first + 3 < indexCount;
                break;
            }
        }
    }
    SortUnique(keys);
    if (keys.size() > maxEdges) {
        result.truncated = true;
        // Spread over all of them rather than the first in key order, which would be the
        // points of lowest u only.
        std::vector<uint64_t> kept(maxEdges);
        for (size_t i = 0; i < maxEdges; ++i)
            kept[i] = keys[i * keys.size() / maxEdges];
        keys.swap(kept);
    }
    result.edges.reserve(keys.size());
    for (uint64_t key : keys) {
        UvEdge edge{points.points[key >> 32], points.points[key & 0xffffffffu], false};
        edge.outside = !InUnitSquare(edge.a) || !InUnitSquare(edge.b);
        result.edges.push_back(edge);
    }
    return result;
}

namespace {

float PixelsPerUnit(const UvView& view, const PixelRect& rect)
{
    return std::min(rect.width, rect.height) * view.zoom;
}

}  // namespace

PixelPoint UvToPixel(const UvView& view, const PixelRect& rect, UvPoint uv)
{
    const float scale = PixelsPerUnit(view, rect);
    return {rect.x + rect.width * 0.5f + (uv.u - view.centre.u) * scale,
            rect.y + rect.height * 0.5f - (uv.v - view.centre.v) * scale};
}

UvPoint PixelToUv(const UvView& view, const PixelRect& rect, PixelPoint pixel)
{
    const float scale = PixelsPerUnit(view, rect);
    if (!(scale > 0.0f))
        return view.centre;
    return {view.centre.u + (pixel.x - rect.x - rect.width * 0.5f) / scale,
            view.centre.v - (pixel.y - rect.y - rect.height * 0.5f) / scale};
}

UvBounds VisibleUvs(const UvView& view, const PixelRect& rect)
{
    UvBounds visible;
    visible.Add(PixelToUv(view, rect, {rect.x, rect.y}));
    visible.Add(PixelToUv(view, rect, {rect.x + rect.width, rect.y + rect.height}));
    return visible;
}

UvView FitUvView(const UvBounds& bounds, const PixelRect& rect)
{
    // Doubles: hostile UVs near the float limit would overflow the extent.
    double minU = 0.0, minV = 0.0, maxU = 1.0, maxV = 1.0;
    if (!bounds.Empty()) {
        minU = std::min<double>(minU, bounds.minU);
        minV = std::min<double>(minV, bounds.minV);
        maxU = std::max<double>(maxU, bounds.maxU);
        maxV = std::max<double>(maxV, bounds.maxV);
    }
    UvView view;
    view.centre = {static_cast<float>((minU + maxU) * 0.5),
                   static_cast<float>((minV + maxV) * 0.5)};
    const double shorter = std::min(rect.width, rect.height);
    if (!(shorter > 0.0))
        return view;
    const double zoom = std::min(rect.width / (maxU - minU), rect.height / (maxV - minV)) / shorter;
    view.zoom = static_cast<float>(std::clamp<double>(zoom, kMinUvZoom, kMaxUvZoom));
    return view;
}

UvView ZoomAbout(const UvView& view, const PixelRect& rect, PixelPoint pixel, float factor)
{
    if (!(factor > 0.0f) || !std::isfinite(factor))
        return view;
    const UvPoint held = PixelToUv(view, rect, pixel);
    UvView zoomed = view;
    zoomed.zoom = std::clamp(view.zoom * factor, kMinUvZoom, kMaxUvZoom);
    const UvPoint now = PixelToUv(zoomed, rect, pixel);
    zoomed.centre.u += held.u - now.u;
    zoomed.centre.v += held.v - now.v;
    return zoomed;
}

UvView PanByPixels(const UvView& view, const PixelRect& rect, float dx, float dy)
{
    const float scale = PixelsPerUnit(view, rect);
    if (!(scale > 0.0f))
        return view;
    UvView moved = view;
    moved.centre.u -= dx / scale;
    moved.centre.v += dy / scale;
    return moved;
}

void SelectDrawnEdges(const std::vector<UvEdge>& edges, const UvBounds& visible, size_t cap,
                      std::vector<uint32_t>& out)
{
    out.clear();
    auto crosses = [&visible](const UvEdge& edge) {
        return std::max(edge.a.u, edge.b.u) >= visible.minU &&
               std::min(edge.a.u, edge.b.u) <= visible.maxU &&
               std::max(edge.a.v, edge.b.v) >= visible.minV &&
               std::min(edge.a.v, edge.b.v) <= visible.maxV;
    };
    size_t crossing = 0;
    for (const UvEdge& edge : edges)
        crossing += crosses(edge) ? 1 : 0;
    if (crossing == 0 || cap == 0)
        return;
    out.reserve(std::min(crossing, cap));
    // Every crossing edge when they fit, else the n-th ones for n = 0, k, 2k... in k steps.
    size_t seen = 0;
    for (size_t i = 0; i < edges.size() && out.size() < cap; ++i) {
        if (!crosses(edges[i]))
            continue;
        if (seen * cap / crossing != (seen + 1) * cap / crossing || crossing <= cap)
            out.push_back(static_cast<uint32_t>(i));
        ++seen;
    }
}
