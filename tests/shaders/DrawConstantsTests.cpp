// The transform constants: custom values bit for bit, and the matrices as the shaders read them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "shaders/DrawConstants.h"

namespace {

Matrix4 Translation(float x, float y, float z)
{
    Matrix4 m = Matrix4::Identity();
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    return m;
}

Matrix4 RotationY(float radians)
{
    Matrix4 m = Matrix4::Identity();
    m.m[0][0] = std::cos(radians);
    m.m[0][2] = -std::sin(radians);
    m.m[2][0] = std::sin(radians);
    m.m[2][2] = std::cos(radians);
    return m;
}

TransformInputs SomeInputs()
{
    TransformInputs in{};
    in.world = Translation(1, 2, 3);
    in.cameraMatrix = Multiply(RotationY(0.7f), Translation(-4, 5, 6));
    in.projection = Matrix4::Identity();
    in.projection.m[2][3] = 1.0f;
    in.projection.m[3][3] = 0.0f;
    return in;
}

void ExpectNear(const Matrix4& a, const Matrix4& b)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(a.m[i][j], b.m[i][j], 1e-5f) << i << "," << j;
}

TEST(TransformConstants, CustomValuesArriveBitForBitBeforeTheTime)
{
    TransformInputs in = SomeInputs();
    float values[5] = {1, 2, 3, 4, 5};
    uint32_t nan = 0x7FC01234;  // a payload that float arithmetic could lose
    std::memcpy(&values[4], &nan, 4);
    std::memcpy(in.customShaderValues, values, sizeof(values));
    in.totalTime = 12.5f;
    TransformConstants c = FillTransformConstants(in);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&c);
    EXPECT_EQ(std::memcmp(bytes + 256, values, 20), 0);
    float time;
    std::memcpy(&time, bytes + 276, 4);
    EXPECT_EQ(time, 12.5f);
}

TEST(TransformConstants, MatricesAreTransposedAndTheViewIsTheCameraInverse)
{
    TransformInputs in = SomeInputs();
    TransformConstants c = FillTransformConstants(in);
    ExpectNear(c.world, Transpose(in.world));
    ExpectNear(c.projection, Transpose(in.projection));
    // The view undoes the camera: camera x view is the identity.
    ExpectNear(Multiply(in.cameraMatrix, Transpose(c.view)), Matrix4::Identity());
    // The product at 192 is formed with the camera matrix itself, not with the view.
    ExpectNear(c.worldViewProjection,
               Transpose(Multiply(Multiply(in.world, in.cameraMatrix), in.projection)));
}

}  // namespace
