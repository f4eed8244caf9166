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

namespace {

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
    // Grown by doubling: exact steps would copy everything again for each of many meshes.
    if (const size_t needed = out.size() + count; needed > out.capacity())
        out.reserve(std::max(needed, 2 * out.capacity()));
    for (size_t v = 0; v < count; ++v) {
        const uint8_t* vertex = mesh.vertices.data() + v * mesh.stride;
        Float3 p;
        std::memcpy(p.data(), vertex, 12);
        if (skinned) {
            const uint8_t* bones = vertex + mesh.stride - vertexformat::kBonesBytes;
            p = TransformPoint(p, SkinMatrix(meshObject, bones));
        }
        if (std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]))
            out.push_back(TransformPoint(p, matrix));
    }
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
    float low[2] = {std::numeric_limits<float>::max(), std::numeric_limits<float>::max()};
    float high[2] = {std::numeric_limits<float>::lowest(), std::numeric_limits<float>::lowest()};
    float deepest = std::numeric_limits<float>::lowest();
    for (const Float3& p : points) {
        const Float3 q = TransformPoint(p, turn);
        for (int axis = 0; axis < 2; ++axis) {
            low[axis] = std::min(low[axis], q[axis]);
            high[axis] = std::max(high[axis], q[axis]);
        }
        deepest = std::max(deepest, q[2]);
    }
    FramingPose pose;
    pose.panX = -(low[0] + high[0]) * 0.5f;
    pose.panY = -(low[1] + high[1]) * 0.5f;
    // Each point asks for a distance at which it projects inside the margin; the farthest
    // such distance frames them all.
    const float inside = std::clamp(1.0f - margin, 0.05f, 1.0f);
    float distance = std::numeric_limits<float>::lowest();
    for (const Float3& p : points) {
        const Float3 q = TransformPoint(p, turn);
        const float needX = std::fabs(q[0] + pose.panX) * scaleX / inside;
        const float needY = std::fabs(q[1] + pose.panY) * scaleY / inside;
        distance = std::max(distance, std::max({needX, needY, nearest}) - q[2]);
    }
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
