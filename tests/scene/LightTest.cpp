// The light record: colour and intensity as the shaders get them, and mouse turning.
#include <gtest/gtest.h>

#include <cmath>

#include "math/Transforms.h"
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

std::vector<float> Direction(const CLight& light)
{
    return {light.direction, light.direction + 4};
}

// Shaders receive colour times intensity, alpha included.
TEST(Light, ShadersGetColourTimesIntensityAndLeftButtonWithCtrlTurnsIt)
{
    CLight light;
    light.SetColor(255, 128, 0);
    light.SetIntensity(127.5f);
    const auto shaded = light.ShaderColor();
    const float expected[4] = {0.5f, 0.25098f, 0.0f, 0.5f};
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(shaded[i], expected[i], 1e-5f) << i;

    // Only the left button and Ctrl together turn the light, a hundred pixels a radian; the
    // direction follows only while a light mesh shows it.
    light.Update(LightMouse(300, 200), true);
    EXPECT_EQ(Direction(light), (std::vector<float>{0, 0, 1, 1}));
    light.Update(LightMouse(350, 220, true, false), true);
    light.Update(LightMouse(300, 200, false, true), true);
    EXPECT_EQ(light.yaw + light.pitch, 0.0f) << "one key alone";
    light.Update(LightMouse(400, 200, true, true), true);
    EXPECT_EQ(light.yaw, 100.0f);
    EXPECT_NEAR(light.direction[0], std::sin(1.0f), 1e-6f);
    EXPECT_NEAR(light.direction[1], 0.0f, 1e-6f);
    EXPECT_NEAR(light.direction[2], std::cos(1.0f), 1e-6f);

    // The mesh's world matrix is a pure rotation whose local z axis is the direction.
    light.Update(LightMouse(360, 270, true, true), true);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(light.meshWorld.m[2][i], light.direction[i]);
    const Matrix4 product = Multiply(light.meshWorld, Transpose(light.meshWorld));
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            EXPECT_NEAR(product.m[row][column], row == column ? 1.0f : 0.0f, 1e-6f);

    const std::vector<float> shown = Direction(light);
    light.Update(LightMouse(460, 270, true, true), false);
    EXPECT_EQ(light.yaw, 160.0f);
    EXPECT_EQ(Direction(light), shown) << "no light mesh";
}

}  // namespace
