// Byte layouts of b0, b3 and the slot table, and the functions that fill them.
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

TEST(TransformConstants, TangentSignIsMinusOneExactlyForRightHandedSpace)
{
    TransformInputs in = SomeInputs();
    in.rightHandedTangentSpace = true;
    EXPECT_EQ(FillTransformConstants(in).tangentSign, -1.0f);
    in.rightHandedTangentSpace = false;
    EXPECT_EQ(FillTransformConstants(in).tangentSign, 1.0f);
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

TEST(TransformConstants, CubemapParameterIsStoredInRadians)
{
    TransformInputs in = SomeInputs();
    in.cubemapParameterDegrees = 180.0f;
    float stored;
    TransformConstants c = FillTransformConstants(in);
    std::memcpy(&stored, reinterpret_cast<const char*>(&c) + 284, 4);
    EXPECT_NEAR(stored, 3.1415927f, 1e-6f);
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

TEST(ShadingConstants, WordsLandWhereTheShadersReadThem)
{
    ShadingInputs in{{1, 2, 3}, {0, -1, 0, 1}, {2, 2, 2, 1}, {9, 3}, 1, 1600, 900};
    ShadingConstants c = FillShadingConstants(in);
    uint32_t words[20];
    std::memcpy(words, &c, sizeof(words));
    auto asFloat = [&](int i) {
        float f;
        std::memcpy(&f, &words[i], 4);
        return f;
    };
    EXPECT_EQ(asFloat(0), 1.0f);
    EXPECT_EQ(asFloat(2), 3.0f);
    EXPECT_EQ(asFloat(3), 1.0f);
    EXPECT_EQ(asFloat(5), -1.0f);
    EXPECT_EQ(asFloat(8), 2.0f);
    EXPECT_EQ(words[12], 9u);
    EXPECT_EQ(words[13], 3u);
    EXPECT_EQ(words[14], 1u);
    EXPECT_EQ(asFloat(16), 1600.0f);
    EXPECT_EQ(asFloat(17), 900.0f);
    EXPECT_EQ(words[15], 0u);
    EXPECT_EQ(words[18], 0u);
}

}  // namespace
