// Byte layouts of the buffers every draw shares with the shaders, and the pure functions
// that fill them. The shader files declare the same layouts (shaders/ShaderStructs.fx).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "math/Matrix4.h"

// The one conversion to the shaders' layout: every matrix a constant or structured buffer
// carries is stored transposed, so HLSL's default column-major packing reads the engine's
// row-vector matrices unchanged.
Matrix4 ToShaderLayout(const Matrix4& rowVector);

// Register b0 of every stage (288 bytes), matrices in the shaders' layout.
struct TransformConstants {
    Matrix4 world;
    Matrix4 view;  // inverse of the camera-to-world matrix
    Matrix4 projection;
    Matrix4 worldViewProjection;     // world x cameraMatrix x projection, as the engine forms it
    uint32_t customShaderValues[5];  // bit patterns of the engine's five floats
    float totalTime;
    float tangentSign;      // -1 for right-handed tangent space
    float cubemapRotation;  // radians
};
static_assert(sizeof(TransformConstants) == 288);
static_assert(offsetof(TransformConstants, view) == 64);
static_assert(offsetof(TransformConstants, projection) == 128);
static_assert(offsetof(TransformConstants, worldViewProjection) == 192);
static_assert(offsetof(TransformConstants, customShaderValues) == 256);
static_assert(offsetof(TransformConstants, totalTime) == 276);
static_assert(offsetof(TransformConstants, tangentSign) == 280);
static_assert(offsetof(TransformConstants, cubemapRotation) == 284);

// Register b3 of the pixel stage (80 bytes).
struct ShadingConstants {
    float eye[3];
    float one;
    float lightDirection[4];
    float lightColor[4];
    uint32_t cubeMapInfo[2];  // mip count, chosen mip
    uint32_t drawValue;       // the mesh's vertex-colour setting; 0 for the fullscreen pass
    uint32_t boneView;        // BoneViewWord of the draw; 0 outside the bone-weight view
    float screenSize[2];
    uint32_t unused18[2];
};
static_assert(sizeof(ShadingConstants) == 80);
static_assert(offsetof(ShadingConstants, lightDirection) == 16);
static_assert(offsetof(ShadingConstants, lightColor) == 32);
static_assert(offsetof(ShadingConstants, cubeMapInfo) == 48);
static_assert(offsetof(ShadingConstants, drawValue) == 56);
static_assert(offsetof(ShadingConstants, boneView) == 60);
static_assert(offsetof(ShadingConstants, screenSize) == 64);

// The bone-weight view's word of a draw: 0 for every draw outside the view. Inside it the
// "on" bit is set, the low 16 bits hold the chosen joint's palette index + 1 (0: the mesh
// has no such joint, so every weight is 0) and the count bit asks for the number of joints
// of each vertex instead. shaders/VertexShaders.fx reads it the same way.
inline constexpr uint32_t kBoneViewOn = 1u << 16;
inline constexpr uint32_t kBoneViewJointCount = 1u << 17;
// `paletteIndex` -1 (or any index outside the palette): no joint of the mesh.
uint32_t BoneViewWord(int paletteIndex, bool jointCount);

// b1 and t16: one 32-bit value per texture slot of the mesh's texture set.
inline constexpr size_t kTextureSlotCount = 32;
struct TextureSlotTable {
    uint32_t values[kTextureSlotCount];
};
static_assert(sizeof(TextureSlotTable) == 128);

// t15 of the vertex stage: the bone palette.
inline constexpr size_t kBonePaletteMatrices = 256;
struct BonePalette {
    Matrix4 bones[kBonePaletteMatrices];
};
static_assert(sizeof(BonePalette) == 16384);

// The palette as the shader reads it: the first (at most 256) bone matrices in the shaders'
// layout, the rest identity.
BonePalette FillBonePalette(std::span<const Matrix4> bones);

// What the transform constants are made of, gathered by the caller from the camera and
// the engine object.
struct TransformInputs {
    Matrix4 world;
    Matrix4 cameraMatrix;  // camera-to-world
    Matrix4 projection;    // the alternative projection already chosen when in use
    float customShaderValues[5];
    float totalTime;
    bool rightHandedTangentSpace;
    float cubemapParameterDegrees;
};
TransformConstants FillTransformConstants(const TransformInputs& in);

struct ShadingInputs {
    float eye[3];
    float lightDirection[4];
    float lightColor[4];
    uint32_t cubeMapInfo[2];
    uint32_t drawValue;
    uint32_t boneView;
    int width;
    int height;
};
ShadingConstants FillShadingConstants(const ShadingInputs& in);
