// Matrix building shared by the camera and the light.
#pragma once

#include "shaders/DrawConstants.h"

// Left-handed perspective with depth 0 to 1 and a horizontal field of view: the vertical
// scale grows with width / height.
Matrix4 PerspectiveProjection(float width, float height, float fieldOfViewDegrees, float nearPlane,
                              float farPlane);

// False when PerspectiveProjection would produce infinities, NaNs or a collapsed axis.
bool PerspectiveIsUsable(float width, float height, float fieldOfViewDegrees, float nearPlane,
                         float farPlane);

// Ry(yaw) x Rx(pitch), both angles in radians, no translation.
Matrix4 YawPitchRotation(float yawRadians, float pitchRadians);
