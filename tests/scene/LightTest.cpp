// The light record: colour and intensity as the shaders get them, mouse turning, and
// orientation from the camera.
#include <gtest/gtest.h>

#include <cmath>

#include "math/Transforms.h"
#include "scene/Camera.h"
#include "scene/Light.h"

namespace {

InputState LightMouse(float x, float y, bool leftButton = false, bool ctrl = false)
{
    InputState input;
    input.mouseX = x;
    input.mouseY = y;
    input.lightKeys[0] = leftButton;
    input.lightKeys[1] = ctrl;
    return input;
}

float AngleBetween(const float a[4], const float b[4])
{
    const float dot = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    const float lengths = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]) *
                          std::sqrt(b[0] * b[0] + b[1] * b[1] + b[2] * b[2]);
    return std::acos(std::clamp(dot / lengths, -1.0f, 1.0f));
}

}  // namespace

TEST(LightColour, ShadersReceiveColourTimesIntensity)
{
    CLight light;
    light.SetColor(255, 128, 0);
    EXPECT_FLOAT_EQ(light.color[0], 1.0f);
    EXPECT_NEAR(light.color[1], 0.50196f, 1e-5f);
    EXPECT_EQ(light.color[2], 0.0f);
    EXPECT_EQ(light.color[3], 1.0f);

    light.SetIntensity(127.5f);
    const auto shaded = light.ShaderColor();
    EXPECT_FLOAT_EQ(shaded[0], 0.5f);
    EXPECT_NEAR(shaded[1], 0.25098f, 1e-5f);
    EXPECT_EQ(shaded[2], 0.0f);
    EXPECT_FLOAT_EQ(shaded[3], 0.5f);
}

TEST(LightTurning, HundredPixelsWithLeftButtonAndCtrlTurnOneRadianAboutTheVertical)
{
    CLight light;
    light.Update(LightMouse(300, 200), true);
    float before[4];
    std::copy(std::begin(light.direction), std::end(light.direction), before);
    EXPECT_FLOAT_EQ(before[2], 1.0f);
    EXPECT_EQ(before[3], 1.0f);

    light.Update(LightMouse(400, 200, true, true), true);
    EXPECT_EQ(light.yaw, 100.0f);
    EXPECT_NEAR(AngleBetween(before, light.direction), 1.0f, 1e-5f);
    EXPECT_NEAR(light.direction[0], std::sin(1.0f), 1e-6f);
    EXPECT_NEAR(light.direction[1], 0.0f, 1e-6f);
    EXPECT_NEAR(light.direction[2], std::cos(1.0f), 1e-6f);
}

TEST(LightTurning, NeedsBothKeys)
{
    CLight light;
    light.Update(LightMouse(0, 0), true);
    light.Update(LightMouse(50, 20, true, false), true);
    light.Update(LightMouse(90, 60, false, true), true);
    EXPECT_EQ(light.yaw, 0.0f);
    EXPECT_EQ(light.pitch, 0.0f);
    light.Update(LightMouse(100, 80, true, true), true);
    EXPECT_EQ(light.yaw, 10.0f);
    EXPECT_EQ(light.pitch, 20.0f);
}

TEST(LightTurning, WithoutALightMeshTheAnglesMoveButTheDirectionStays)
{
    CLight light;
    light.Update(LightMouse(0, 0), false);
    light.Update(LightMouse(100, 50, true, true), false);
    EXPECT_EQ(light.yaw, 100.0f);
    for (float component : light.direction)
        EXPECT_EQ(component, 0.0f);
}

TEST(LightTurning, MeshPointsAlongTheDirection)
{
    CLight light;
    light.Update(LightMouse(0, 0), true);
    light.Update(LightMouse(-40, 70, true, true), true);
    // The mesh's world matrix is a pure rotation whose local z axis is the direction.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(light.meshWorld.m[2][i], light.direction[i]);
    const Matrix4 product = Multiply(light.meshWorld, Transpose(light.meshWorld));
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            EXPECT_NEAR(product.m[row][column], row == column ? 1.0f : 0.0f, 1e-6f);
}

TEST(LightOrientation, CopiesTheCameraAnglesAsNumbers)
{
    CCamera camera;
    camera.StartUp(1600, 900);
    CLight light;
    light.OrientToCamera(camera);
    EXPECT_EQ(light.yaw, -75.0f);
    EXPECT_EQ(light.pitch, 52.0f);

    light.Update(InputState{}, true);
    const Matrix4 turned = Transpose(YawPitchRotation(-0.75f, 0.52f));
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(light.direction[i], turned.m[2][i], 1e-6f);
}
