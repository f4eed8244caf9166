// The orbit camera: pose, mouse and wheel input, focus animation, projections, and the
// camera exports.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "api/Engine.h"
#include "api/public/vornis_engine.h"
#include "math/Transforms.h"
#include "scene/Camera.h"
#include "scene/ModelFraming.h"
#include "scene/Scene.h"
#include "support/EngineWindow.h"

namespace {

constexpr float kFrame = 1.0f / 60.0f;
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
// Camera keys as the viewer feeds them.
enum Key { LeftButton, Alt, MiddleButton, RightButton };

CCamera StartedCamera(uint32_t width = 1600, uint32_t height = 900)
{
    CCamera camera;
    camera.StartUp(width, height);
    return camera;
}

InputState Mouse(float x, float y, std::initializer_list<Key> held = {})
{
    InputState input;
    input.mouseX = x;
    input.mouseY = y;
    for (Key key : held)
        input.cameraKeys[key] = true;
    return input;
}

}  // namespace

TEST(CameraPose, EyeIsTheFourthRowTheMatrixInvertsTheViewAndACameraJointHoldsIt)
{
    CCamera camera = StartedCamera();
    // Orbit and pan a little so that no part of the transform is trivial.
    camera.Update(kFrame, Mouse(500, 300), false);
    camera.Update(kFrame, Mouse(560, 260, {LeftButton, Alt}), false);
    camera.Update(kFrame, Mouse(600, 280, {Alt, MiddleButton}), false);
    ASSERT_NE(camera.panX * camera.panY, 0.0f);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(camera.eye[i], camera.cameraMatrix.m[3][i]);
    Matrix4 view = YawPitchRotation(camera.yaw * 0.005f, camera.pitch * 0.005f);
    view.m[3][0] = camera.panX;
    view.m[3][1] = camera.panY;
    view.m[3][2] = camera.zoom * std::fabs(camera.zoom);
    const Matrix4 product = Multiply(view, camera.cameraMatrix);
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            EXPECT_NEAR(product.m[row][column], row == column ? 1.0f : 0.0f, 1e-4f)
                << row << column;

    // Beyond the orbit centre the origin lies behind the eye (third row: forward).
    camera.zoom = -3.0f;
    camera.Update(kFrame, Mouse(600, 280), false);
    const auto& forward = camera.cameraMatrix.m[2];
    EXPECT_FLOAT_EQ(
        camera.eye[0] * forward[0] + camera.eye[1] * forward[1] + camera.eye[2] * forward[2], 9.0f);

    // Attached to a camera joint, the camera is left alone but its animation time runs.
    const CCamera before = camera;
    camera.Update(kFrame, Mouse(300, 200, {LeftButton, Alt}), true);
    EXPECT_EQ((std::vector<float>{camera.lastMouse[0], camera.yaw, camera.animTime}),
              (std::vector<float>{before.lastMouse[0], before.yaw, before.animTime}));
    EXPECT_EQ(camera.cameraMatrix, before.cameraMatrix);

    camera.animSpeed = 0.5f;
    camera.Update(0.02f, InputState{}, false);
    EXPECT_FLOAT_EQ(camera.animTime - before.animTime, 0.01f);
}

// Only new whole notches (of 120) count, truncated toward zero.
TEST(CameraInput, WheelNotchesTruncateTowardZeroAndDragsOrbitPanOrZoomOnlyWithAlt)
{
    for (const auto& [total, steps] :
         {std::pair{119, 0}, {120, 1}, {-119, 0}, {-240, -2}, {359, 2}}) {
        CCamera camera = StartedCamera();
        InputState input;
        input.wheel = total;
        camera.Update(kFrame, input, false);
        EXPECT_EQ(camera.lastWheelSteps, steps) << total;
        camera.Update(kFrame, input, false);
        // Each notch away from the user a tenth of the view distance closer.
        EXPECT_FLOAT_EQ(camera.zoom * camera.zoom, 625.0f * std::pow(0.9f, steps)) << total;
    }

    // Drags orbit, pan or zoom only with Alt.
    const struct {
        std::initializer_list<Key> held;
        float yaw, pitch, zoom;
        bool pans;
    } cases[] = {{{LeftButton}, -75, 52, 25, false},
                 {{LeftButton, Alt}, -55, 32, 25, false},
                 {{Alt, MiddleButton}, -75, 52, 25, true},
                 {{Alt, RightButton}, -75, 52, 25.0f * std::exp(-0.1f), false}};
    for (const auto& c : cases) {
        CCamera camera = StartedCamera();
        camera.Update(kFrame, Mouse(100, 100), false);
        camera.Update(kFrame, Mouse(120, 80, c.held), false);
        EXPECT_EQ(camera.yaw, c.yaw);
        EXPECT_EQ(camera.pitch, c.pitch);
        EXPECT_FLOAT_EQ(camera.zoom, c.zoom);
        EXPECT_EQ(camera.panX != 0.0f, c.pans);
    }
}

TEST(CameraFocus, HeadsForTheBoundingSphereSurvivesResetAndOrbitButNotPanOrDragZoom)
{
    CCamera camera = StartedCamera();
    const float centre[3] = {3.0f, 4.0f, 5.0f};
    const float badCentre[3] = {0.0f, kNan, 0.0f};
    camera.FocusOn(kInf, centre);
    camera.FocusOn(kNan, centre);
    camera.FocusOn(1.0f, badCentre);
    EXPECT_FALSE(camera.focusActive);

    // At the end of the motion the centre lies on the view axis, 2.3 radii in front.
    const auto centreInView = [&] {
        const Float3 q = TransformPoint({centre[0], centre[1], centre[2]}, camera.ViewRotation());
        return Float3{q[0] + camera.panX, q[1] + camera.panY,
                      q[2] + camera.zoom * std::fabs(camera.zoom)};
    };
    camera.FocusOn(10.0f, centre);
    camera.Update(kFrame, InputState{}, false);
    InputState input;
    camera.Reset(input);
    EXPECT_TRUE(camera.focusActive);
    int frames = 1;
    for (; camera.focusActive && frames < 10000; ++frames)
        camera.Update(kFrame, InputState{}, false);
    EXPECT_NEAR(frames, 601, 2);
    const Float3 seen = centreInView();
    EXPECT_NEAR(seen[0], 0.0f, 1e-3f);
    EXPECT_NEAR(seen[1], 0.0f, 1e-3f);
    EXPECT_NEAR(seen[2], 23.0f, 1e-2f);

    // A wheel notch takes the same share of the view distance from a 5 cm prop as from a
    // 1 km building, while the focus motion runs (which the wheel then ends).
    for (float radius : {0.05f, 1000.0f}) {
        SCOPED_TRACE(radius);
        CCamera framing = StartedCamera();
        framing.FocusOn(radius, centre);
        for (int f = 0; f < 60; ++f)
            framing.Update(kFrame, InputState{}, false);
        const float before = framing.TargetDistance();
        InputState notch;
        notch.wheel = 120;
        framing.Update(kFrame, notch, false);
        EXPECT_NEAR(framing.TargetDistance() / before, 0.9f, 1e-4f);
        EXPECT_GT(framing.TargetDistance(), 0.0f) << "never through the target";
        EXPECT_FALSE(framing.focusActive);
    }

    // Orbit keeps it running, pan and drag zoom stop it.
    const struct {  // an aggregate, so that each list lives as long as the table
        std::initializer_list<Key> held;
        bool keepsRunning;
    } cases[] = {{{LeftButton, Alt}, true},
                 {{Alt}, true},
                 {{Alt, MiddleButton}, false},
                 {{Alt, RightButton}, false}};
    for (const auto& [held, keepsRunning] : cases) {
        CCamera fresh = StartedCamera();
        fresh.Update(kFrame, Mouse(100, 100), false);
        fresh.FocusOn(10.0f, centre);
        fresh.Update(kFrame, Mouse(120, 90, held), false);
        EXPECT_EQ(fresh.focusActive, keepsRunning);
        EXPECT_FLOAT_EQ(fresh.focusProgress, keepsRunning ? kFrame * 0.1f : 0.0f);
    }
}

// Start-up builds with the far construction plane and stores the shorter one, which every
// later recomputation uses; the field of view survives a resize in whole degrees, and
// degenerate requests keep the last usable projection.
TEST(CameraProjection, LaterRecomputationsUseTheStoredPlanesWholeDegreesAndRefuseDegenerates)
{
    CCamera camera = StartedCamera(1600, 900);
    EXPECT_EQ(camera.projection, PerspectiveProjection(1600, 900, 90, 0.1f, 20000.0f));
    const Matrix4 before = camera.projection;
    for (int degrees : {0, 180, -30})
        camera.SetFieldOfView(degrees);
    for (const auto& [nearPlane, farPlane] : {std::pair{5.0f, 5.0f}, {kNan, 100.0f}, {0.1f, kInf}})
        camera.SetNearAndFarPlane(nearPlane, farPlane);
    EXPECT_EQ((std::vector<float>{camera.fieldOfView, camera.nearPlane, camera.farPlane}),
              (std::vector<float>{90.0f, 0.1f, 5000.0f}));
    EXPECT_EQ(camera.projection, before);

    camera.SetFieldOfView(60);
    camera.Resize(1024, 768);
    EXPECT_EQ(camera.projection, PerspectiveProjection(1024, 768, 60, 0.1f, 5000.0f));
    camera.fieldOfView = 72.9f;  // as a slider might leave it
    camera.Resize(800, 600);
    EXPECT_EQ(camera.fieldOfView, 72.0f);

    // An unstarted camera has no size: nothing to project onto yet.
    CCamera unstarted;
    unstarted.SetFieldOfView(60);
    EXPECT_EQ(unstarted.projection, Matrix4::Identity());
}

class EngineWithCamera : public ::testing::Test {
   protected:
    void SetUp() override
    {
        CreateEngineNative();
        engine = GetEngine();
        engine->input = std::make_unique<InputState>();
        engine->camera = std::make_unique<CCamera>();
        engine->camera->StartUp(1600, 900);
    }
    CEngine* engine = nullptr;
};

// The wheel's total saturates instead of overflowing; a reset clears it and takes the mouse
// as seen, so nothing jumps at the next frame.
// A 3 cm bolt fills a picture as a 3 m crate does: the planes follow the model's size, so
// the camera may come as close as the small one needs, and neither is cut by a plane.
TEST(CameraProjection, PlanesFitTheModelSoSmallAndLargeModelsAreFramedAlike)
{
    CCamera camera;
    camera.StartUp(800, 600);
    camera.SetFieldOfView(45);
    float filled[2] = {};
    int i = 0;
    for (float size : {0.03f, 3.0f, 3000.0f}) {
        SCOPED_TRACE(size);
        std::vector<Float3> corners;
        for (int c = 0; c < 8; ++c)
            corners.push_back({c & 1 ? size : 0.0f, c & 2 ? size : 0.0f, c & 4 ? size : 0.0f});
        const CCamera::ClipPlanes planes = CCamera::ClipPlanesFor(size * 1.5f, size);
        camera.SetNearAndFarPlane(planes.nearPlane, planes.farPlane);
        const std::optional<FramingPose> pose =
            FramePoints(corners, camera.ViewRotation(), camera.projection.m[0][0],
                        camera.projection.m[1][1], 0.06f, camera.nearPlane * 2.0f);
        ASSERT_TRUE(pose);
        const float distance = pose->zoom * std::fabs(pose->zoom);
        EXPECT_GT(distance - size * 2.0f, camera.nearPlane) << "the nearest corner is cut";
        EXPECT_LT(pose->farthest, camera.farPlane);
        // The farthest depth is a corner's own, not a bound near it.
        float deepest = 0.0f;
        for (const Float3& corner : corners)
            deepest = std::max(deepest, TransformPoint(corner, camera.ViewRotation())[2]);
        EXPECT_FLOAT_EQ(pose->farthest, deepest + distance);
        if (i < 2)
            filled[i++] = size / distance;
    }
    EXPECT_NEAR(filled[0], filled[1], filled[1] * 0.01f);
}

TEST_F(EngineWithCamera, WheelTotalSaturatesResetClearsItAndAnimationSettingsNeedTheScene)
{
    const int32_t most = std::numeric_limits<int32_t>::max();
    FeedMouseScroll(most);
    FeedMouseScroll(most);
    EXPECT_EQ(engine->input->wheel, most);
    for (int i = 0; i < 3; ++i)
        FeedMouseScroll(-most);
    EXPECT_EQ(engine->input->wheel, std::numeric_limits<int32_t>::min());
    CCamera& camera = *engine->camera;
    camera.Update(kFrame, *engine->input, false);
    camera.yaw = 10.0f;
    camera.panX = 3.0f;
    FeedMousePos(640, 360);
    ResetCamera();
    EXPECT_EQ(engine->input->wheel, 0);
    EXPECT_EQ(camera.lastWheelSteps, 0);
    for (int frame = 0; frame < 2; ++frame) {
        EXPECT_EQ((std::vector<float>{camera.lastMouse[0], camera.lastMouse[1], camera.yaw,
                                      camera.pitch, camera.panX, camera.zoom}),
                  (std::vector<float>{640.0f, 360.0f, -75.0f, 52.0f, 0.0f, 25.0f}));
        camera.Update(kFrame, *engine->input, false);
    }

    // Without a scene the animation settings are ignored; the scale is squared without
    // integer overflow.
    for (bool withScene : {false, true}) {
        if (withScene)
            engine->scene = std::make_unique<CScene>();
        SetCameraAnimationSpeed(5);
        SetCameraAnimationScale(10);
        SetCameraAnimationState(false);
        EXPECT_FLOAT_EQ(engine->camera->animSpeed, withScene ? 0.5f : 1.0f);
        EXPECT_FLOAT_EQ(engine->camera->animScale, withScene ? 0.02f : 1.0f);
        EXPECT_EQ(engine->camera->animEnabled, !withScene);
    }
    SetCameraAnimationScale(50000);
    EXPECT_FLOAT_EQ(engine->camera->animScale, 250000.01f);
}

// Through the real start-up, on the software renderer.
TEST(StartedEngineCamera, FollowsTheWindowAndUpdatesEveryFrameUnlessOnTheCameraJoint)
{
    ASSERT_EQ(testing_support::StartEngine(320, 200), 0);
    CCamera& camera = *GetEngine()->camera;
    FeedMouseScroll(120 * 5);
    GetEngine()->attachCameraToCameraJoint = true;
    Present();
    EXPECT_EQ(camera.zoom, 25.0f);
    GetEngine()->attachCameraToCameraJoint = false;
    Present();
    EXPECT_FLOAT_EQ(camera.TargetDistance(), 625.0f * std::pow(0.9f, 5.0f));

    // The sky follows the lens and the window, keeping its own planes.
    SetFOV(60);
    ResizeEngine(500, 300);
    EXPECT_EQ(camera.projection, PerspectiveProjection(500, 300, 60, 0.1f, 5000.0f));
    EXPECT_EQ(camera.skyProjection, PerspectiveProjection(500, 300, 60, 0.1f, 20000.0f));
}
