#include "scene/InspectionGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <unordered_set>

#include "models/MeshData.h"
#include "models/ModelNode.h"
#include "models/VertexAttributes.h"

namespace {

bool Finite(const Float3& v)
{
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

Float3 Normalised(const Float3& v)
{
    const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (!(length > 1e-12f) || !std::isfinite(length))
        return {0.0f, 0.0f, 0.0f};
    return {v[0] / length, v[1] / length, v[2] / length};
}

// Row vector times the upper 3 x 3 of `m`: a direction moved without translation.
Float3 TransformDirection(const Float3& d, const Matrix4& m)
{
    Float3 out;
    for (int c = 0; c < 3; ++c)
        out[c] = d[0] * m.m[0][c] + d[1] * m.m[1][c] + d[2] * m.m[2][c];
    return out;
}

// The vertex's skin matrix as the vertex shader forms it: the weighted palette matrices,
// indices clamped into the palette; nothing when the weights sum to about 0.
std::optional<Matrix4> SkinMatrix(const MeshData& mesh, uint32_t vertex, int32_t offset,
                                  std::span<const Matrix4> palette)
{
    if (offset < 0 || palette.empty())
        return std::nullopt;
    float values[8];
    const uint8_t* bytes = mesh.VertexAt(vertex);
    if (!bytes || static_cast<size_t>(offset) + sizeof(values) > mesh.stride)
        return std::nullopt;
    std::memcpy(values, bytes + offset, sizeof(values));
    const float total = values[4] + values[5] + values[6] + values[7];
    if (!(total > 0.0001f))
        return std::nullopt;
    Matrix4 skin{};
    for (int i = 0; i < 4; ++i) {
        const float index = std::isfinite(values[i]) ? std::max(values[i], 0.0f) : 0.0f;
        const size_t bone = std::min(static_cast<size_t>(index), palette.size() - 1);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                skin.m[r][c] += palette[bone].m[r][c] * values[4 + i];
    }
    return skin;
}

}  // namespace

float WorldBox::HalfDiagonal() const
{
    if (empty)
        return 0.0f;
    const Float3 size = Size();
    return 0.5f * std::sqrt(size[0] * size[0] + size[1] * size[1] + size[2] * size[2]);
}

void WorldBox::Add(const Float3& pointLow, const Float3& pointHigh)
{
    if (!Finite(pointLow) || !Finite(pointHigh))
        return;
    for (int axis = 0; axis < 3; ++axis) {
        low[axis] = empty ? pointLow[axis] : std::min(low[axis], pointLow[axis]);
        high[axis] = empty ? pointHigh[axis] : std::max(high[axis], pointHigh[axis]);
    }
    empty = false;
}

WorldBox DrawnModelBox(const CModelNode& model)
{
    return DrawnSubtreeBox(model, model);
}

WorldBox DrawnSubtreeBox(const CModelNode& model, const CModelNode& node)
{
    // Placements need the whole tree's walk; the subtree's meshes pick what counts.
    std::unordered_set<const CMeshObject*> inSubtree;
    if (&node != &model) {
        std::vector<CMeshObject*> meshes;
        node.CollectMeshObjects(meshes);
        inSubtree.insert(meshes.begin(), meshes.end());
    }
    WorldBox box;
    model.VisitPlacedMeshes(std::nullopt, [&](CMeshObject& meshObject, const Matrix4& placement) {
        if (&node != &model && inSubtree.count(&meshObject) == 0)
            return;
        const MeshData* mesh = meshObject.meshData.get();
        if (!mesh || !meshObject.IsDrawable() || mesh->pointsMin[0] > mesh->pointsMax[0])
            return;
        Float3 low, high;
        TransformBox(mesh->pointsMin, mesh->pointsMax, meshObject.DrawnWorld(placement), low, high);
        box.Add(low, high);
    });
    return box;
}

std::array<std::pair<Float3, Float3>, 12> BoxEdges(const WorldBox& box)
{
    auto corner = [&box](int bits) {
        return Float3{bits & 1 ? box.high[0] : box.low[0], bits & 2 ? box.high[1] : box.low[1],
                      bits & 4 ? box.high[2] : box.low[2]};
    };
    std::array<std::pair<Float3, Float3>, 12> edges;
    size_t n = 0;
    // Each edge joins two corners that differ in one axis bit.
    for (int bits = 0; bits < 8; ++bits)
        for (int axis = 0; axis < 3; ++axis)
            if (!(bits & (1 << axis)))
                edges[n++] = {corner(bits), corner(bits | (1 << axis))};
    return edges;
}

void AppendDirectionLines(const MeshData& mesh, DirectionKind kind, float length,
                          const std::array<float, 4>& colour, std::span<const Matrix4> palette,
                          std::vector<LineVertex>& out)
{
    const VertexAttributeOffsets offsets = AttributeOffsets(mesh.format);
    const int32_t direction = kind == DirectionKind::Normal ? offsets.normal : offsets.tangent;
    if (direction < 0 || offsets.position < 0 || offsets.stride != mesh.stride ||
        !std::isfinite(length))
        return;
    const uint32_t step = mesh.vertexCount / kMaxDirectionLines + 1;
    out.reserve(out.size() + 2 * (mesh.vertexCount / step + 1));
    for (uint32_t v = 0; v < mesh.vertexCount; v += step) {
        std::optional<Float3> p = ReadVertexFloat3(mesh, v, offsets.position);
        std::optional<Float3> d = ReadVertexFloat3(mesh, v, direction);
        if (!p || !d || !Finite(*p) || !Finite(*d))
            continue;
        if (std::optional<Matrix4> skin = SkinMatrix(mesh, v, offsets.bones, palette)) {
            *p = TransformPoint(*p, *skin);
            *d = TransformDirection(*d, *skin);
        }
        const Float3 unit = Normalised(*d);
        LineVertex a{}, b{};
        for (int i = 0; i < 3; ++i) {
            a.position[i] = (*p)[i];
            b.position[i] = (*p)[i] + unit[i] * length;
        }
        std::memcpy(a.color, colour.data(), sizeof(a.color));
        std::memcpy(b.color, colour.data(), sizeof(b.color));
        out.push_back(a);
        out.push_back(b);
    }
}

float AxisScale(const Matrix4& m)
{
    float sum = 0.0f;
    for (int r = 0; r < 3; ++r)
        sum += std::sqrt(m.m[r][0] * m.m[r][0] + m.m[r][1] * m.m[r][1] + m.m[r][2] * m.m[r][2]);
    const float scale = sum / 3.0f;
    return std::isfinite(scale) && scale > 1e-20f ? scale : 1.0f;
}

uint32_t PackOverlayColour(float r, float g, float b, float a)
{
    auto byte = [](float v) {
        return static_cast<uint32_t>(
            std::lround(std::clamp(std::isfinite(v) ? v : 0.0f, 0.0f, 1.0f) * 255.0f));
    };
    return byte(r) | byte(g) << 8 | byte(b) << 16 | byte(a) << 24;
}
