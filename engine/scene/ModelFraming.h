// Where a camera stands so that a whole model is in the picture: what vornis-snap uses,
// since a picture has no second look. (The viewer frames the largest mesh, as users know.)
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "math/Matrix4.h"

class CModelNode;

struct FramingPose {
    float panX = 0.0f;
    float panY = 0.0f;
    float zoom = 0.0f;      // the view distance is zoom * |zoom|
    float farthest = 0.0f;  // view depth of the farthest point
};

// The pan and zoom of a camera turned by `rotation` (a world point p lies at
// p * rotation + (panX, panY, distance) in view space) whose projection scales view x and y
// by `scaleX` and `scaleY`, at which every point is in the picture with `margin` (a share
// of the half width and height) to spare and at least `nearest` in front of the camera.
// Nothing without points.
std::optional<FramingPose> FramePoints(std::span<const Float3> points, const Matrix4& rotation,
                                       float scaleX, float scaleY, float margin, float nearest);

// The positions of every mesh the model draws, moved by the matrix each is drawn with:
// nodes, skinned meshes and the joints of a skeleton without mesh in the pose of their
// animation's current time, as the next frame draws them. A vertex that repeats another may
// be left out: the set of points is what counts.
std::vector<Float3> DrawnPositions(CModelNode& model);
