#include "animation/SkeletonDisplay.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "animation/AnimationSet.h"
#include "animation/SkeletonMarkers.h"
#include "models/ModelNode.h"

namespace {

constexpr float kMarkerScalePerRadius = 0.003f;
constexpr float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};

using Vec = Float3;

Vec Sub(const Vec& a, const Vec& b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

Vec Cross(const Vec& a, const Vec& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

float Length(const Vec& v)
{
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

// A point of model space in world space.
Vec ToWorld(const aiMatrix4x4& modelSpace, const Matrix4& world)
{
    return TransformPoint({modelSpace.a4, modelSpace.b4, modelSpace.c4}, world);
}

Matrix4 Placed(const Vec& x, const Vec& y, const Vec& z, const Vec& at, float scale)
{
    return {{{x[0] * scale, x[1] * scale, x[2] * scale, 0.0f},
             {y[0] * scale, y[1] * scale, y[2] * scale, 0.0f},
             {z[0] * scale, z[1] * scale, z[2] * scale, 0.0f},
             {at[0], at[1], at[2], 1.0f}}};
}

// The arrow's +z along `direction`, its basis completed with the up vector; nothing when
// the direction has no length or runs along the up vector.
std::optional<Matrix4> ArrowAlong(const Vec& direction, const Vec& at, float scale)
{
    const float length = Length(direction);
    if (!(length > 1e-6f))
        return std::nullopt;
    const Vec z = {direction[0] / length, direction[1] / length, direction[2] / length};
    Vec x = Cross({0.0f, 0.99f, 0.0f}, z);
    const float side = Length(x);
    if (!(side > 1e-6f))
        return std::nullopt;
    x = {x[0] / side, x[1] / side, x[2] / side};
    return Placed(x, Cross(z, x), z, at, scale);
}

void AddFigure(const JointTree& joints, const Matrix4& world, float scale, SkeletonFigure& out)
{
    for (const Joint& joint : joints) {
        const Vec at = ToWorld(joint.modelSpace, world);
        out.axes.push_back(Placed({1, 0, 0}, {0, 1, 0}, {0, 0, 1}, at, scale));
        if (joint.parent < 0 || static_cast<size_t>(joint.parent) >= joints.size())
            continue;
        const Vec parent = ToWorld(joints[joint.parent].modelSpace, world);
        LineSegment line{};
        std::copy(std::begin(kWhite), std::end(kWhite), line.color);
        std::copy(parent.begin(), parent.end(), line.start);
        std::copy(at.begin(), at.end(), line.end);
        out.lines.push_back(line);
        if (std::optional<Matrix4> arrow = ArrowAlong(Sub(at, parent), parent, scale))
            out.arrows.push_back(*arrow);
    }
}

}  // namespace

SkeletonFigure BuildSkeletonFigure(AnimationSet& set, const Matrix4& world, float markerScale)
{
    SkeletonFigure figure;
    for (auto& [key, controller] : set.controllers) {
        if (controller->hasJoints) {
            AddFigure(controller->joints, world, markerScale, figure);
            continue;
        }
        const AnimationClip* clip = controller->CurrentClip();
        if (!clip || !clip->scene || clip->nodes.empty())
            continue;
        // Posed on copies: the controller's own bones and joints stay as they are.
        std::vector<SkeletonBone> bones = controller->bones;
        JointTree joints;
        PoseScratch scratch;
        PoseOneClip(*clip, 0.0f, controller->globalInverse, bones, joints, scratch);
        AddFigure(joints, world, markerScale, figure);
    }
    return figure;
}

void DrawSkeleton(AnimationSet& set, const Matrix4& world, float modelRadius,
                  const SkeletonPainter& painter)
{
    const SkeletonFigure figure =
        BuildSkeletonFigure(set, world, kMarkerScalePerRadius * modelRadius);
    for (const LineSegment& line : figure.lines)
        painter.drawLine(line);
    if (set.markers && set.markers->arrow)
        for (const Matrix4& arrow : figure.arrows)
            painter.drawModel(*set.markers->arrow, arrow);
    if (set.markers && set.markers->axis)
        for (const Matrix4& axis : figure.axes)
            painter.drawModel(*set.markers->axis, axis);
}
