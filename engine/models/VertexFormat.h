// The vertex-format word: which attributes a mesh's packed vertices carry. The shader
// side builds its input layout and macros from the same word, so these bits are shared.
#pragma once

#include <cstdint>

namespace vertexformat {

constexpr uint32_t kPosition = 0x0001;
constexpr uint32_t kTexCoord0 = 0x0002;
constexpr uint32_t kNormal = 0x0004;
constexpr uint32_t kTangentSpace = 0x0008;  // tangent and bitangent
constexpr uint32_t kBones = 0x0010;         // bone indices and weights
constexpr uint32_t kScreenSpace = 0x0020;   // light mesh variant, added by mesh-object flags
constexpr uint32_t kCube = 0x0040;          // skybox cube variant, added by mesh-object flags
constexpr uint32_t kTexSets = 0x0080 | 0x0100 | 0x0200;          // sets 1 to 3
constexpr uint32_t kFullscreenQuad = 0x0400;                     // fullscreen pass only
constexpr uint32_t kColors = 0x0800 | 0x1000 | 0x2000 | 0x4000;  // four colour copies

// Byte sizes of the attribute rows of a packed vertex.
constexpr uint32_t kPositionBytes = 16;
constexpr uint32_t kNormalBytes = 16;
constexpr uint32_t kTangentSpaceBytes = 32;
constexpr uint32_t kTexCoord0Bytes = 8;
constexpr uint32_t kTexSetsBytes = 24;
constexpr uint32_t kColorsBytes = 64;
constexpr uint32_t kBonesBytes = 32;  // four indices (as floats) and four weights
constexpr uint32_t kMaxStride = 192;

}  // namespace vertexformat
