// The vertex-shader variants the engine builds: for each vertex-format word, its entry
// point, input elements and macros. Pure data; the GL side turns elements into a
// vertex-array format.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "shaders/ShaderCompiler.h"
#include "shaders/ShaderTranslator.h"

// Vertex-format word bits (the model import sets the attribute bits; three more select
// the special vertex shaders).
enum VertexFormatBits : uint32_t {
    VertexPosition = 0x0001,
    VertexTexSet0 = 0x0002,
    VertexNormal = 0x0004,
    VertexTangentBinormal = 0x0008,
    VertexBones = 0x0010,
    VertexScreenSpace = 0x0020,
    VertexCube = 0x0040,
    VertexTexSet1 = 0x0080,
    VertexTexSet2 = 0x0100,
    VertexTexSet3 = 0x0200,
    VertexFullscreenQuad = 0x0400,
    VertexColor0 = 0x0800,
    VertexColor1 = 0x1000,
    VertexColor2 = 0x2000,
    VertexColor3 = 0x4000,
};

enum class VertexElementFormat { Float2, Float3, Float4, UInt4 };

uint32_t ElementFormatBytes(VertexElementFormat format);

struct VertexElement {
    std::string semanticName;
    uint32_t semanticIndex = 0;
    VertexElementFormat format = VertexElementFormat::Float4;
    uint32_t offset = 0;  // append-aligned: right after the previous element
};

struct VertexVariantDesc {
    uint32_t word = 0;
    std::string entryPoint;
    std::vector<VertexElement> elements;
    ShaderMacros macros;  // closes with USETEXTUREPACKING
    uint32_t stride = 0;
};

// The fourteen words built at start-up, in build order.
inline constexpr uint32_t kVertexVariantWords[] = {0x000F, 0x0003, 0x0007, 0x0017, 0x001F,
                                                   0x039F, 0x038F, 0x780F, 0x781F, 0x7B9F,
                                                   0x7B8F, 0x002F, 0x004F, 0x0400};

// The variant of a word, or nothing for a word the engine does not build (e.g. 0x0013).
std::optional<VertexVariantDesc> FindVertexVariant(uint32_t word, bool useTexturePacking);

// Which element feeds each shader input. Every input must find an element with its
// semantic; the first one that does not fails the match with a message naming it.
struct InputBinding {
    uint32_t location = 0;
    size_t element = 0;
};
bool MatchInputLayout(const std::vector<ShaderInput>& inputs,
                      const std::vector<VertexElement>& elements,
                      std::vector<InputBinding>& bindings, std::string& errorText);
