#include "shaders/DrawConstants.h"

#include <cstring>

namespace {
// Degrees to radians with the exact factor the shaders were written against.
constexpr float kDegreesToRadians = 0.017453292f;
}  // namespace

Matrix4 Matrix4::Identity()
{
    Matrix4 r{};
    for (int i = 0; i < 4; ++i)
        r.m[i][i] = 1.0f;
    return r;
}

Matrix4 Multiply(const Matrix4& a, const Matrix4& b)
{
    Matrix4 r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k)
                r.m[i][j] += a.m[i][k] * b.m[k][j];
    return r;
}

Matrix4 Transpose(const Matrix4& a)
{
    Matrix4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[j][i];
    return r;
}

Matrix4 InverseRigid(const Matrix4& a)
{
    Matrix4 r = Matrix4::Identity();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r.m[i][j] = a.m[j][i];
    for (int j = 0; j < 3; ++j) {
        float sum = 0.0f;
        for (int k = 0; k < 3; ++k)
            sum += a.m[3][k] * r.m[k][j];
        r.m[3][j] = -sum;
    }
    return r;
}

TransformConstants FillTransformConstants(const TransformInputs& in)
{
    TransformConstants c;
    c.world = Transpose(in.world);
    c.view = Transpose(InverseRigid(in.cameraMatrix));
    c.projection = Transpose(in.projection);
    c.worldViewProjection = Transpose(Multiply(Multiply(in.world, in.cameraMatrix), in.projection));
    static_assert(sizeof(c.customShaderValues) == sizeof(in.customShaderValues));
    std::memcpy(c.customShaderValues, in.customShaderValues, sizeof(c.customShaderValues));
    c.totalTime = in.totalTime;
    c.tangentSign = in.rightHandedTangentSpace ? -1.0f : 1.0f;
    c.cubemapRotation = in.cubemapParameterDegrees * kDegreesToRadians;
    return c;
}

ShadingConstants FillShadingConstants(const ShadingInputs& in)
{
    ShadingConstants c{};  // words 15, 18 and 19 are cleared rather than left stale
    std::memcpy(c.eye, in.eye, sizeof(c.eye));
    c.one = 1.0f;
    std::memcpy(c.lightDirection, in.lightDirection, sizeof(c.lightDirection));
    std::memcpy(c.lightColor, in.lightColor, sizeof(c.lightColor));
    c.cubeMapInfo[0] = in.cubeMapInfo[0];
    c.cubeMapInfo[1] = in.cubeMapInfo[1];
    c.drawValue = in.drawValue;
    c.screenSize[0] = static_cast<float>(in.width);
    c.screenSize[1] = static_cast<float>(in.height);
    return c;
}

BonePalette FillBonePalette(const float* rowMajorMatrices, size_t count)
{
    BonePalette palette;
    for (size_t i = 0; i < kBonePaletteMatrices; ++i) {
        Matrix4 m = Matrix4::Identity();
        if (i < count)
            std::memcpy(m.m, rowMajorMatrices + i * 16, sizeof(m.m));
        palette.bones[i] = Transpose(m);
    }
    return palette;
}
