#include "scene/ModelFraming.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "animation/AnimationSet.h"
#include "animation/MeshAnimation.h"
#include "animation/NodeAnimation.h"
#include "models/ModelNode.h"
#include "models/VertexFormat.h"
#include "platform/ParallelFor.h"

namespace {

// Points framed a stretch at a time on each core.
constexpr size_t kFramingStretch = 65536;

// The blend of palette matrices the vertex shader skins a vertex with: indices clamped to the
// palette, the identity when the weights are all but zero.
Matrix4 SkinMatrix(const CMeshObject& meshObject, const uint8_t* bones)
{
    float index[4];
    float weight[4];
    std::memcpy(index, bones, sizeof(index));
    std::memcpy(weight, bones + sizeof(index), sizeof(weight));
    if (!(weight[0] + weight[1] + weight[2] + weight[3] > 0.0001f))
        return Matrix4::Identity();
    Matrix4 skin{};
    for (int i = 0; i < 4; ++i) {
        const float clamped = std::clamp(std::isnan(index[i]) ? 0.0f : index[i], 0.0f,
                                         static_cast<float>(kBonePaletteSize - 1));
        const Matrix4& bone = meshObject.bonePalette[static_cast<size_t>(clamped)];
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                skin.m[r][c] += bone.m[r][c] * weight[i];
    }
    return skin;
}

void AddPositions(CMeshObject& meshObject, const Matrix4& matrix, std::vector<Float3>& out)
{
    const MeshData& mesh = *meshObject.meshData;
    // Positions lead every packed vertex when the mesh has them; bone indices and weights
    // close it.
    if (!(mesh.format & vertexformat::kPosition) || mesh.stride < 12)
        return;
    const bool skinned = mesh.hasBones && mesh.stride >= 12 + vertexformat::kBonesBytes &&
                         PoseIntoPalette(meshObject);
    // Every row of the packed vertices: where the mesh keeps its distinct vertices only,
    // the same points, each once.
    const size_t count = std::min<size_t>(mesh.VertexRows(), mesh.vertexCount);
    const size_t start = out.size();
    // Grown by doubling: exact steps would copy everything again for each of many meshes.
    if (const size_t needed = start + count; needed > out.capacity())
        out.reserve(std::max(needed, 2 * out.capacity()));
    out.resize(start + count);
    // Stretches on every core, each packing its finite points at its own start; the gaps
    // that points left out leave are closed after, in order.
    const size_t stretches = (count + kFramingStretch - 1) / kFramingStretch;
    std::vector<size_t> kept(stretches);
    platform::ParallelForStretches(
        count, kFramingStretch, [&](size_t stretch, size_t first, size_t end) {
            Float3* to = out.data() + start + first;
            for (size_t v = first; v < end; ++v) {
                const uint8_t* vertex = mesh.vertices.data() + v * mesh.stride;
                Float3 p;
                std::memcpy(p.data(), vertex, 12);
                if (skinned) {
                    const uint8_t* bones = vertex + mesh.stride - vertexformat::kBonesBytes;
                    p = TransformPoint(p, SkinMatrix(meshObject, bones));
                }
                if (std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]))
                    *to++ = TransformPoint(p, matrix);
            }
            kept[stretch] = static_cast<size_t>(to - (out.data() + start + first));
        });
    size_t end = start;
    for (size_t stretch = 0; stretch < stretches; ++stretch) {
        const Float3* from = out.data() + start + stretch * kFramingStretch;
        if (from != out.data() + end)
            std::copy(from, from + kept[stretch], out.data() + end);
        end += kept[stretch];
    }
    out.resize(end);
}

// Where the joints of a skeleton without mesh stand in its last pose.
void AddJointPositions(CMeshObject& meshObject, const Matrix4& world, std::vector<Float3>& out)
{
    if (!meshObject.animationSet)
        return;
    for (auto& [key, controller] : meshObject.animationSet->controllers)
        for (const Joint& joint : controller->joints) {
            const Float3 p = TransformPoint(
                {joint.modelSpace.a4, joint.modelSpace.b4, joint.modelSpace.c4}, world);
            if (std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]))
                out.push_back(p);
        }
}

}  // namespace

std::optional<FramingPose> FramePoints(std::span<const Float3> points, const Matrix4& rotation,
                                       float scaleX, float scaleY, float margin, float nearest)
{
    if (points.empty() || !(scaleX > 0.0f) || !(scaleY > 0.0f))
        return std::nullopt;
    Matrix4 turn = rotation;
    turn.m[3][0] = turn.m[3][1] = turn.m[3][2] = 0.0f;
    // Minima and maxima only: stretches on every core give what one pass gives.
    struct Extremes {
        float low[2] = {std::numeric_limits<float>::max(), std::numeric_limits<float>::max()};
        float high[2] = {std::numeric_limits<float>::lowest(),
                         std::numeric_limits<float>::lowest()};
        float deepest = std::numeric_limits<float>::lowest();
        float distance = std::numeric_limits<float>::lowest();
    };
    const size_t stretches = (points.size() + kFramingStretch - 1) / kFramingStretch;
    std::vector<Extremes> parts(stretches);
    platform::ParallelForStretches(points.size(), kFramingStretch,
                                   [&](size_t stretch, size_t first, size_t end) {
                                       Extremes part;
                                       for (size_t i = first; i < end; ++i) {
                                           const Float3 q = TransformPoint(points[i], turn);
                                           for (int axis = 0; axis < 2; ++axis) {
                                               part.low[axis] = std::min(part.low[axis], q[axis]);
                                               part.high[axis] = std::max(part.high[axis], q[axis]);
                                           }
                                           part.deepest = std::max(part.deepest, q[2]);
                                       }
                                       parts[stretch] = part;
                                   });
    Extremes all;
    for (const Extremes& part : parts) {
        for (int axis = 0; axis < 2; ++axis) {
            all.low[axis] = std::min(all.low[axis], part.low[axis]);
            all.high[axis] = std::max(all.high[axis], part.high[axis]);
        }
        all.deepest = std::max(all.deepest, part.deepest);
    }
    const float deepest = all.deepest;
    FramingPose pose;
    pose.panX = -(all.low[0] + all.high[0]) * 0.5f;
    pose.panY = -(all.low[1] + all.high[1]) * 0.5f;
    // Each point asks for a distance at which it projects inside the margin; the farthest
    // such distance frames them all.
    const float inside = std::clamp(1.0f - margin, 0.05f, 1.0f);
    platform::ParallelForStretches(
        points.size(), kFramingStretch, [&](size_t stretch, size_t first, size_t end) {
            float farthest = std::numeric_limits<float>::lowest();
            for (size_t i = first; i < end; ++i) {
                const Float3 q = TransformPoint(points[i], turn);
                const float needX = std::fabs(q[0] + pose.panX) * scaleX / inside;
                const float needY = std::fabs(q[1] + pose.panY) * scaleY / inside;
                farthest = std::max(farthest, std::max({needX, needY, nearest}) - q[2]);
            }
            parts[stretch].distance = farthest;
        });
    float distance = std::numeric_limits<float>::lowest();
    for (const Extremes& part : parts)
        distance = std::max(distance, part.distance);
    if (!std::isfinite(distance))
        return std::nullopt;
    pose.zoom = std::copysign(std::sqrt(std::fabs(distance)), distance);
    // Adding one number keeps the order of rounded sums: the deepest point stays deepest.
    pose.farthest = std::max(pose.farthest, deepest + distance);
    return pose;
}

std::vector<Float3> DrawnPositions(CModelNode& model)
{
    // The nodes where the clip puts them now, as the next frame draws them.
    PoseModelNodes(model);
    std::vector<Float3> positions;
    model.VisitPlacedMeshes(std::nullopt, [&](CMeshObject& meshObject, const Matrix4& placement) {
        const Matrix4 world = meshObject.DrawnWorld(placement);
        if (meshObject.skeletonOnly)
            AddJointPositions(meshObject, world, positions);
        else if (meshObject.IsDrawable())
            AddPositions(meshObject, world, positions);
    });
    return positions;
}
