// The skeleton display ("X-Ray joints"): a line from every joint to its parent, an arrow at
// the parent pointing to the joint and an axis cross at the joint, drawn without depth test
// so that the joints show through the model.
#pragma once

#include <functional>
#include <vector>

#include "math/Matrix4.h"
#include "shaders/LineRenderer.h"

class AnimationSet;
class CModelNode;

struct SkeletonFigure {
    std::vector<LineSegment> lines;  // one per joint with a parent joint
    std::vector<Matrix4> arrows;     // world matrices of the arrow model
    std::vector<Matrix4> axes;       // world matrices of the axis model
};

// The figure of every controller of the set, in world space (`world` is the mesh object's
// world matrix, engine layout). A controller that has not been posed yet shows its current
// clip at time 0 without keeping that pose. Markers are scaled by `markerScale`; an arrow
// whose direction is zero or parallel to the up vector is left out.
SkeletonFigure BuildSkeletonFigure(AnimationSet& set, const Matrix4& world, float markerScale);

// What drawing needs from the renderer.
struct SkeletonPainter {
    std::function<void(const LineSegment& segment)> drawLine;
    std::function<void(CModelNode& model, const Matrix4& world)> drawModel;
};

// Draws the set's figure in whatever depth state the caller binds; markers are 0.003 x
// `modelRadius` (the model's largest bounding radius) in size.
void DrawSkeleton(AnimationSet& set, const Matrix4& world, float modelRadius,
                  const SkeletonPainter& painter);
