#include "shaders/DrawConstants.h"

#include <cstring>

namespace {
// Degrees to radians with the exact factor the shaders were written against.
constexpr float kDegreesToRadians = 0.017453292f;
}  // namespace

Matrix4 ToShaderLayout(const Matrix4& rowVector)
{
    return Transpose(rowVector);
}

TransformConstants FillTransformConstants(const TransformInputs& in)
{
    TransformConstants c;
    c.world = ToShaderLayout(in.world);
    c.view = ToShaderLayout(InverseRigid(in.cameraMatrix));
    c.projection = ToShaderLayout(in.projection);
    c.worldViewProjection =
        ToShaderLayout(Multiply(Multiply(in.world, in.cameraMatrix), in.projection));
    static_assert(sizeof(c.customShaderValues) == sizeof(in.customShaderValues));
    std::memcpy(c.customShaderValues, in.customShaderValues, sizeof(c.customShaderValues));
    c.totalTime = in.totalTime;
    c.tangentSign = in.rightHandedTangentSpace ? -1.0f : 1.0f;
    c.cubemapRotation = in.cubemapParameterDegrees * kDegreesToRadians;
    return c;
}

ShadingConstants FillShadingConstants(const ShadingInputs& in)
{
    ShadingConstants c{};  // words 18 and 19 are cleared rather than left stale
    std::memcpy(c.eye, in.eye, sizeof(c.eye));
    c.one = 1.0f;
    std::memcpy(c.lightDirection, in.lightDirection, sizeof(c.lightDirection));
    std::memcpy(c.lightColor, in.lightColor, sizeof(c.lightColor));
    c.cubeMapInfo[0] = in.cubeMapInfo[0];
    c.cubeMapInfo[1] = in.cubeMapInfo[1];
    c.drawValue = in.drawValue;
    c.boneView = in.boneView;
    c.screenSize[0] = static_cast<float>(in.width);
    c.screenSize[1] = static_cast<float>(in.height);
    return c;
}

uint32_t BoneViewWord(int paletteIndex, bool jointCount)
{
    const bool inPalette =
        paletteIndex >= 0 && static_cast<size_t>(paletteIndex) < kBonePaletteMatrices;
    const uint32_t joint = inPalette ? static_cast<uint32_t>(paletteIndex) + 1 : 0;
    return kBoneViewOn | (jointCount ? kBoneViewJointCount : 0) | joint;
}

BonePalette FillBonePalette(std::span<const Matrix4> bones)
{
    BonePalette palette;
    for (size_t i = 0; i < kBonePaletteMatrices; ++i)
        palette.bones[i] = ToShaderLayout(i < bones.size() ? bones[i] : Matrix4::Identity());
    return palette;
}
