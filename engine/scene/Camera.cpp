#include "scene/Camera.h"

#include <algorithm>
#include <cmath>

#include "math/Transforms.h"

namespace {

constexpr float kStartZoom = 25.0f;
constexpr float kStartYaw = -75.0f;
constexpr float kStartPitch = 52.0f;
constexpr float kAngleUnit = 0.005f;  // radians per orbit unit, one unit per mouse pixel
constexpr int32_t kWheelUnitsPerStep = 120;
constexpr float kFocusRate = 0.1f;
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

// Panning speeds up with the distance from the vertical axis, within limits, so that both
// close-ups and far views stay controllable.
float PanFactor(const float eye[3])
{
    const float distance = std::sqrt(eye[0] * eye[0] + eye[2] * eye[2]);
    const float speed = std::clamp((distance * 0.05f) * (distance * 0.05f), 0.2f, 20.0f);
    return speed * 0.05f;
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
        if (middleButton) {
            const float f = PanFactor(eye);
            const auto& right = cameraMatrix.m[0];
            const auto& up = cameraMatrix.m[1];
            panX += deltaX * f * right[0] - deltaY * f * up[0];
            panY += deltaX * f * right[1] - deltaY * f * up[1];
            zoom += deltaX * f * right[2] - deltaY * f * up[2];
        } else {
            zoom -= 2.0f * deltaX * 0.005f;
        }
        // Moving the view by hand takes over from the focus animation.
        focusActive = false;
        focusProgress = 0.0f;
    }

    const int32_t wheelSteps = input.wheel / kWheelUnitsPerStep;
    zoom -= static_cast<float>(wheelSteps - lastWheelSteps);
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
    focusZoom = std::copysign(std::sqrt(std::fabs(distance)), distance);
    focusActive = true;
    focusProgress = 0.0f;
}
