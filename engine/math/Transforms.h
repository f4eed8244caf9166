// Building the matrices the camera, the light, the spin switches and the projections use.
#pragma once

#include "math/Matrix4.h"

// Rotations about one axis, angles in radians. X and Y are the ones the camera's pitch and
// yaw are made of; Z turns the opposite way round its axis (the spin switches rely on it).
Matrix4 RotationX(float radians);
Matrix4 RotationY(float radians);
Matrix4 RotationZ(float radians);

// Ry(yaw) x Rx(pitch), both angles in radians, no translation.
Matrix4 YawPitchRotation(float yawRadians, float pitchRadians);

// Left-handed perspective with depth 0 to 1 and a horizontal field of view: the vertical
// scale grows with width / height.
Matrix4 PerspectiveProjection(float width, float height, float fieldOfViewDegrees, float nearPlane,
                              float farPlane);

// False when PerspectiveProjection would produce infinities, NaNs or a collapsed axis.
bool PerspectiveIsUsable(float width, float height, float fieldOfViewDegrees, float nearPlane,
                         float farPlane);
