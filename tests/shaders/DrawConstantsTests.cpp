// The transform constants: the matrices as the shaders read them, and custom values bit for
// bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "shaders/DrawConstants.h"

namespace {

// An affine matrix with every element distinct, so that a transposition or a swapped factor
// shows.
Matrix4 Affine()
{
    Matrix4 m = Matrix4::Identity();
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j)
            m.m[i][j] += static_cast<float>(i * 4 + j + 1) / 16.0f;
    return m;
}

void ExpectNear(const Matrix4& a, const Matrix4& b)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(a.m[i][j], b.m[i][j], 1e-5f) << i << "," << j;
}

TEST(TransformConstants, MatricesAreTransposedAndCustomValuesArriveBitForBit)
{
    TransformInputs in{};
    in.world = Affine();
    // Cameras are rigid: a turn about y and a move.
    in.cameraMatrix = Matrix4::Identity();
    in.cameraMatrix.m[0][0] = in.cameraMatrix.m[2][2] = std::cos(0.7f);
    in.cameraMatrix.m[2][0] = std::sin(0.7f);
    in.cameraMatrix.m[0][2] = -in.cameraMatrix.m[2][0];
    in.cameraMatrix.m[3][0] = -4.0f;
    in.cameraMatrix.m[3][2] = 6.0f;
    in.projection = Matrix4::Identity();
    in.projection.m[2][3] = 1.0f;
    in.projection.m[3][3] = 0.0f;
    float values[5] = {1, 2, 3, 4, 5};
    const uint32_t nan = 0x7FC01234;  // a payload that float arithmetic could lose
    std::memcpy(&values[4], &nan, 4);
    std::memcpy(in.customShaderValues, values, sizeof(values));
    in.totalTime = 12.5f;
    const TransformConstants c = FillTransformConstants(in);

    ExpectNear(c.world, Transpose(in.world));
    ExpectNear(c.projection, Transpose(in.projection));
    // The view undoes the camera: camera x view is the identity.
    ExpectNear(Multiply(in.cameraMatrix, Transpose(c.view)), Matrix4::Identity());
    // The product at 192 is formed with the camera matrix itself, not with the view.
    ExpectNear(c.worldViewProjection,
               Transpose(Multiply(Multiply(in.world, in.cameraMatrix), in.projection)));
    // The custom values, then the time.
    const auto* bytes = reinterpret_cast<const unsigned char*>(&c);
    EXPECT_EQ(std::memcmp(bytes + 256, values, 20), 0);
    float time;
    std::memcpy(&time, bytes + 276, 4);
    EXPECT_EQ(time, 12.5f);
}

}  // namespace
