#include "shaders/VertexVariants.h"

#include <algorithm>

uint32_t ElementFormatBytes(VertexElementFormat format)
{
    switch (format) {
        case VertexElementFormat::Float2:
            return 8;
        case VertexElementFormat::Float3:
            return 12;
        case VertexElementFormat::Float4:
        case VertexElementFormat::UInt4:
            return 16;
    }
    return 0;
}

namespace {

bool IsBuiltWord(uint32_t word)
{
    return std::find(std::begin(kVertexVariantWords), std::end(kVertexVariantWords), word) !=
           std::end(kVertexVariantWords);
}

void Append(VertexVariantDesc& desc, const char* name, uint32_t index, VertexElementFormat format)
{
    desc.elements.push_back({name, index, format, desc.stride});
    desc.stride += ElementFormatBytes(format);
}

}  // namespace

std::optional<VertexVariantDesc> FindVertexVariant(uint32_t word, bool useTexturePacking)
{
    if (!IsBuiltWord(word))
        return std::nullopt;
    using F = VertexElementFormat;
    VertexVariantDesc desc;
    desc.word = word;
    desc.entryPoint = "VertexShader_Combined";
    if (word & VertexPosition)
        Append(desc, "POSITION", 0, F::Float4);
    if (word & VertexNormal) {
        Append(desc, "NORMAL", 0, F::Float4);
        desc.macros.emplace_back("NORMALS", "true");
    }
    if (word & VertexTangentBinormal) {
        Append(desc, "TANGENT", 0, F::Float4);
        Append(desc, "BINORMAL", 0, F::Float4);
        desc.macros.emplace_back("TANBINORM", "true");
    }
    if (word & VertexTexSet1) {
        for (uint32_t i = 1; i <= 4; ++i)
            Append(desc, "TEXCOORD", i, F::Float2);
        desc.macros.emplace_back("TEXSETS", "true");
    } else if (word & VertexTexSet0) {
        Append(desc, "TEXCOORD", 0, F::Float2);
    }
    // The vertex stores its colours before the bone data, so the layout does too. Bone
    // indices are stored as floats; the shader casts them.
    if (word & VertexColor0) {
        for (uint32_t i = 0; i < 4; ++i)
            Append(desc, "COLOR", i, F::Float4);
    }
    if (word & VertexBones) {
        Append(desc, "BONES", 0, F::Float4);
        Append(desc, "WEIGHTS", 0, F::Float4);
        desc.macros.emplace_back("BONESWEIGHTS", "true");
    }
    if (word & VertexColor0)
        desc.macros.emplace_back("USEVERTEXCOLORS", "true");
    if (word & VertexScreenSpace)
        desc.entryPoint = "VertexShader_PosNormBitanTexScreenSpace";
    if (word & VertexCube)
        desc.entryPoint = "VertexShader_PosNormBitanTexCube";
    if (word & VertexFullscreenQuad) {
        desc.entryPoint = "VertexShader_FullscreenQuad";
        Append(desc, "POSITION", 0, F::Float4);
        Append(desc, "TEXCOORD", 0, F::Float2);
    }
    desc.macros.emplace_back("USETEXTUREPACKING", useTexturePacking ? "true" : "false");
    return desc;
}

bool MatchInputLayout(const std::vector<ShaderInput>& inputs,
                      const std::vector<VertexElement>& elements,
                      std::vector<InputBinding>& bindings, std::string& errorText)
{
    bindings.clear();
    for (const ShaderInput& input : inputs) {
        auto found = std::find_if(elements.begin(), elements.end(), [&](const VertexElement& e) {
            return e.semanticName == input.semanticName && e.semanticIndex == input.semanticIndex;
        });
        if (found == elements.end()) {
            errorText = "Vertex shader input " + input.semanticName +
                        std::to_string(input.semanticIndex) + " has no element in the layout";
            bindings.clear();
            return false;
        }
        bindings.push_back({input.location, static_cast<size_t>(found - elements.begin())});
    }
    return true;
}
