// The single viewing camera: an orbit camera around the world origin driven by the mouse,
// with an animated focus on the model, a reset pose and a horizontal-field-of-view
// perspective.
#pragma once

#include <cstdint>
#include <memory>

#include "math/Matrix4.h"
#include "platform/InputState.h"

// A camera clip taken from a model file; built and laid out by the animation subsystem.
struct CameraClip;

// Radians per unit of yaw and pitch: one unit per mouse pixel.
inline constexpr float kCameraAngleUnit = 0.005f;

class CCamera {
   public:
    float eye[3] = {0.0f, 0.0f, 0.0f};
    float panX = 0.0f;
    float panY = 0.0f;
    float zoom = 0.0f;  // the view distance is zoom * |zoom|
    float focusPanX = 0.0f;
    float focusPanY = 0.0f;
    float focusZoom = 0.0f;
    bool focusActive = false;
    float focusProgress = 0.0f;
    float yaw = 0.0f;    // units of 0.005 radian
    float pitch = 0.0f;  // units of 0.005 radian
    // Camera-to-world after every update: its inverse is the view transform and its fourth
    // row the eye.
    Matrix4 cameraMatrix = Matrix4::Identity();
    // Rides a camera joint: `joint` (world space, rigid) becomes the camera matrix.
    void FollowJoint(const Matrix4& joint)
    {
        cameraMatrix = joint;
        for (int i = 0; i < 3; ++i)
            eye[i] = joint.m[3][i];
    }
    float animSpeed = 1.0f;
    float animScale = 1.0f;
    bool animEnabled = true;
    uint32_t width = 0;
    uint32_t height = 0;
    Matrix4 projection = Matrix4::Identity();
    Matrix4 skyProjection = Matrix4::Identity();
    Matrix4 alternativeProjection = Matrix4::Identity();
    float lastMouse[2] = {0.0f, 0.0f};
    bool useAlternativeProjection = false;  // nothing in the engine sets it
    int32_t lastWheelSteps = 0;
    float fieldOfView = 0.0f;  // horizontal, degrees
    float nearPlane = 0.1f;
    float farPlane = 20000.0f;
    // The clip of the last model file that had one; null until then.
    std::shared_ptr<CameraClip> clip;
    float animTime = 0.0f;

    // The start pose and projections for a window of this size.
    void StartUp(uint32_t windowWidth, uint32_t windowHeight);

    // One frame of camera motion. With the camera riding a camera joint the joint owns
    // cameraMatrix and nothing here changes.
    // The rotation of the view for the current orbit angles: a world point p lies at
    // p * ViewRotation() + (panX, panY, distance) in view space.
    Matrix4 ViewRotation() const;
    void Update(float frameTime, const InputState& input, bool attachedToCameraJoint);

    // A degenerate field of view (not strictly between 0 and 180) is ignored.
    void SetFieldOfView(int degrees);
    // Stores near and far and returns the projection for them. Inputs that would give a
    // non-finite or collapsed matrix change nothing and return the current projection.
    Matrix4 Projection(float viewWidth, float viewHeight, float degrees, float nearDistance,
                       float farDistance);
    void SetNearAndFarPlane(float nearDistance, float farDistance);
    // New viewport size; the projection keeps the field of view in whole degrees.
    void Resize(uint32_t viewWidth, uint32_t viewHeight);

    // The reset pose. Takes the current mouse position as seen and clears the wheel total,
    // so neither jumps at the next update. A running focus animation goes on.
    void Reset(InputState& input);

    // Starts easing towards a view of the given bounding sphere. Non-finite values (a
    // model with broken bounds) are ignored rather than poisoning the camera for good.
    void FocusOn(float radius, const float centre[3]);

    // How far in front of the camera the target of zoom and pan lies: the view distance
    // of the pivot plus the depth at which the last framed model's centre sits behind it
    // (0 before any). Zoom moves the camera towards it in proportion and never through it.
    float TargetDistance() const;
    void SetTargetDistance(float distance);
    float targetDepth = 0.0f;

    // Near and far planes for looking at something `size` across from `distance` away:
    // the near plane comes close enough for a small model and moves out for a huge one,
    // the far plane stays beyond the model and the ground around it. Medium models keep the
    // planes the viewer starts with (0.1 and 10000).
    struct ClipPlanes {
        float nearPlane;
        float farPlane;
    };
    static ClipPlanes ClipPlanesFor(float distance, float size);
    void FitClipPlanes(float distance, float size);

   private:
    void Orbit(float frameTime, const InputState& input);
    // Samples the camera clip at animTime into cameraMatrix and eye.
    void PlayClip();
};
