#include "scene/Camera.h"

#include <algorithm>
#include <cmath>

#include "math/Transforms.h"

namespace {

constexpr float kStartZoom = 25.0f;
constexpr float kStartYaw = -75.0f;
constexpr float kStartPitch = 52.0f;
constexpr float kAngleUnit = kCameraAngleUnit;
constexpr int32_t kWheelUnitsPerStep = 120;
constexpr float kFocusRate = 0.1f;
// The planes of the start-up projection, which the sky keeps.
constexpr float kSkyNear = 0.1f;
constexpr float kSkyFar = 20000.0f;
// The focus ends 2.3 bounding radii away from the centre.
constexpr float kFocusDistancePerRadius = 2.3f;

Matrix4 WithFourthRow(Matrix4 m, float x, float y, float z)
{
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    m.m[3][3] = 1.0f;
    return m;
}

// Zoom and pan in proportion to the view distance, so that a 5 cm prop and a 1 km
// building handle alike: a wheel notch takes a tenth of the distance, a zoom drag a
// hundredth per pixel, and a pan of one pixel moves the view by a share of the distance.
constexpr float kWheelStepFactor = 0.9f;
constexpr float kDragZoomPerPixel = 0.01f;
constexpr float kPanPerPixel = 0.0016f;
// The view never reaches its target: zooming in stops this close, in world units.
constexpr float kClosestDistance = 1e-5f;

float ViewDistance(float zoom)
{
    return zoom * std::fabs(zoom);
}

// The zoom value that gives a view distance (negative: the camera beyond the pivot).
float ZoomFor(float distance)
{
    return std::copysign(std::sqrt(std::fabs(distance)), distance);
}

}  // namespace

void CCamera::StartUp(uint32_t windowWidth, uint32_t windowHeight)
{
    width = windowWidth;
    height = windowHeight;
    fieldOfView = 90.0f;
    projection = Projection(static_cast<float>(width), static_cast<float>(height), 90.0f, nearPlane,
                            farPlane);
    // Stored only: the construction values above made the start-up projection, these take
    // effect at the next recomputation.
    nearPlane = 0.1f;
    farPlane = 5000.0f;
    alternativeProjection = PerspectiveProjection(static_cast<float>(width),
                                                  static_cast<float>(height), 90.0f, 0.1f, 5000.0f);
    cameraMatrix = WithFourthRow(Matrix4::Identity(), 0.0f, 0.0f, 100.0f);
    lastWheelSteps = 0;
    panX = 0.0f;
    panY = 0.0f;
    zoom = kStartZoom;
    yaw = kStartYaw;
    pitch = kStartPitch;
    skyProjection = projection;
}

void CCamera::Update(float frameTime, const InputState& input, bool attachedToCameraJoint)
{
    if (attachedToCameraJoint)
        return;
    cameraMatrix = Matrix4::Identity();
    animTime += frameTime * animSpeed;
    if (clip && animEnabled) {
        PlayClip();
        return;
    }
    Orbit(frameTime, input);
}

void CCamera::Orbit(float frameTime, const InputState& input)
{
    const float deltaX = input.mouseX - lastMouse[0];
    const float deltaY = input.mouseY - lastMouse[1];
    lastMouse[0] = input.mouseX;
    lastMouse[1] = input.mouseY;

    // The viewer feeds (left button, left Alt, middle button, right button).
    const bool buttonsFree = !input.pointerHeldByInterface;
    const bool leftButton = input.cameraKeys[0] && buttonsFree;
    const bool alt = input.cameraKeys[1];
    const bool middleButton = input.cameraKeys[2] && buttonsFree;
    const bool rightButton = input.cameraKeys[3] && buttonsFree;

    if (leftButton && alt) {
        yaw += deltaX;
        pitch += deltaY;
    }
    if (!leftButton && alt && (middleButton || rightButton)) {
        const float distance = std::max(TargetDistance(), kClosestDistance);
        if (middleButton) {
            const float f = distance * kPanPerPixel;
            const auto& right = cameraMatrix.m[0];
            const auto& up = cameraMatrix.m[1];
            panX += deltaX * f * right[0] - deltaY * f * up[0];
            panY += deltaX * f * right[1] - deltaY * f * up[1];
            SetTargetDistance(distance + deltaX * f * right[2] - deltaY * f * up[2]);
        } else {
            SetTargetDistance(distance * std::exp(-deltaX * kDragZoomPerPixel));
        }
        // Moving the view by hand takes over from the focus animation.
        focusActive = false;
        focusProgress = 0.0f;
    }

    // Each new notch away from the user brings the view a tenth closer, toward it a tenth
    // farther; the wheel takes over from the focus animation too.
    const int32_t wheelSteps = input.wheel / kWheelUnitsPerStep;
    if (wheelSteps != lastWheelSteps) {
        const float distance = std::max(TargetDistance(), kClosestDistance);
        SetTargetDistance(
            distance * std::pow(kWheelStepFactor, static_cast<float>(wheelSteps - lastWheelSteps)));
        focusActive = false;
        focusProgress = 0.0f;
    }
    lastWheelSteps = wheelSteps;

    const Matrix4 rotation = ViewRotation();
    const float distance = zoom * std::fabs(zoom);

    if (focusActive) {
        focusProgress += frameTime * kFocusRate;
        if (focusProgress > 1.0f) {
            focusProgress = 0.0f;
            focusActive = false;
        } else {
            // Each frame closes a growing share of what is left, which eases the motion in.
            const float t = focusProgress;
            panX += (focusPanX - panX) * t;
            panY += (focusPanY - panY) * t;
            zoom += (focusZoom - zoom) * t;
        }
    }

    // The view maps a world point x to x * R + (panX, panY, distance); the camera matrix is
    // its inverse, whose fourth row is the eye.
    const Matrix4 view = WithFourthRow(rotation, panX, panY, distance);
    cameraMatrix = InverseRigid(view);
    eye[0] = cameraMatrix.m[3][0];
    eye[1] = cameraMatrix.m[3][1];
    eye[2] = cameraMatrix.m[3][2];
}

Matrix4 CCamera::ViewRotation() const
{
    return YawPitchRotation(yaw * kAngleUnit, pitch * kAngleUnit);
}

void CCamera::SetFieldOfView(int degrees)
{
    if (degrees <= 0 || degrees >= 180)
        return;
    fieldOfView = static_cast<float>(degrees);
    projection = Projection(static_cast<float>(width), static_cast<float>(height), fieldOfView,
                            nearPlane, farPlane);
    // The sky is seen through the same lens, or it would no longer line up with what the
    // model reflects; its planes are its own, as the start-up projection makes them.
    if (PerspectiveIsUsable(static_cast<float>(width), static_cast<float>(height), fieldOfView,
                            kSkyNear, kSkyFar))
        skyProjection = PerspectiveProjection(static_cast<float>(width), static_cast<float>(height),
                                              fieldOfView, kSkyNear, kSkyFar);
}

Matrix4 CCamera::Projection(float viewWidth, float viewHeight, float degrees, float nearDistance,
                            float farDistance)
{
    if (!PerspectiveIsUsable(viewWidth, viewHeight, degrees, nearDistance, farDistance))
        return projection;
    nearPlane = nearDistance;
    farPlane = farDistance;
    return PerspectiveProjection(viewWidth, viewHeight, degrees, nearDistance, farDistance);
}

void CCamera::SetNearAndFarPlane(float nearDistance, float farDistance)
{
    projection = Projection(static_cast<float>(width), static_cast<float>(height), fieldOfView,
                            nearDistance, farDistance);
}

void CCamera::Resize(uint32_t viewWidth, uint32_t viewHeight)
{
    width = viewWidth;
    height = viewHeight;
    SetFieldOfView(static_cast<int>(fieldOfView));
}

void CCamera::Reset(InputState& input)
{
    panX = 0.0f;
    panY = 0.0f;
    zoom = kStartZoom;
    targetDepth = 0.0f;
    cameraMatrix = WithFourthRow(Matrix4::Identity(), 0.0f, 0.0f, kStartZoom);
    yaw = kStartYaw;
    pitch = kStartPitch;
    lastWheelSteps = 0;
    lastMouse[0] = input.mouseX;
    lastMouse[1] = input.mouseY;
    input.wheel = 0;
}

CCamera::ClipPlanes CCamera::ClipPlanesFor(float distance, float size)
{
    constexpr float kUsualNear = 0.1f;
    constexpr float kUsualFar = 10000.0f;
    if (!std::isfinite(distance) || !std::isfinite(size))
        return {kUsualNear, kUsualFar};
    distance = std::fabs(distance);
    size = std::fabs(size);
    // A twentieth of the distance below the usual plane; a thousandth above it, which keeps
    // the depth range of a model thousands of units away as usable as a medium one's.
    float nearPlane = std::max(distance * 0.05f, 1e-6f);
    if (nearPlane >= kUsualNear)
        nearPlane = std::max(kUsualNear, distance * 0.001f);
    const float farPlane = std::max(kUsualFar, (distance + size) * 10.0f);
    return {nearPlane, farPlane};
}

void CCamera::FitClipPlanes(float distance, float size)
{
    const ClipPlanes planes = ClipPlanesFor(distance, size);
    SetNearAndFarPlane(planes.nearPlane, planes.farPlane);
}

float CCamera::TargetDistance() const
{
    return ViewDistance(zoom) + targetDepth;
}

void CCamera::SetTargetDistance(float distance)
{
    zoom = ZoomFor(std::max(distance, kClosestDistance) - targetDepth);
}

void CCamera::FocusOn(float radius, const float centre[3])
{
    if (!std::isfinite(radius))
        return;
    // The centre ends up on the view axis, 2.3 radii in front of the camera, for the
    // current orbit angles: models that their nodes place away from the origin are framed
    // like those around it.
    const Float3 q = TransformPoint({centre[0], centre[1], centre[2]}, ViewRotation());
    if (!std::isfinite(q[0]) || !std::isfinite(q[1]) || !std::isfinite(q[2]))
        return;
    const float distance = std::fabs(radius * kFocusDistancePerRadius) - q[2];
    focusPanX = -q[0];
    focusPanY = -q[1];
    targetDepth = q[2];
    focusZoom = std::copysign(std::sqrt(std::fabs(distance)), distance);
    focusActive = true;
    focusProgress = 0.0f;
}
