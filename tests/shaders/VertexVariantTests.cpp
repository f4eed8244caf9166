// The variant table: elements, offsets, entry points and macros of every built word.
#include <gtest/gtest.h>

#include "shaders/VertexVariants.h"

namespace {

std::string Elements(const VertexVariantDesc& v)
{
    std::string text;
    for (const auto& e : v.elements)
        text += (text.empty() ? "" : " ") + e.semanticName + std::to_string(e.semanticIndex);
    return text;
}

std::string MacroNames(const VertexVariantDesc& v)
{
    std::string text;
    for (const auto& [name, value] : v.macros)
        text += (text.empty() ? "" : " ") + name;
    return text;
}

struct Expected {
    uint32_t word;
    const char* entry;
    const char* elements;
    const char* macros;
};

const Expected kTable[] = {
    {0x000F, "VertexShader_Combined", "POSITION0 NORMAL0 TANGENT0 BINORMAL0 TEXCOORD0",
     "NORMALS TANBINORM USETEXTUREPACKING"},
    {0x0003, "VertexShader_Combined", "POSITION0 TEXCOORD0", "USETEXTUREPACKING"},
    {0x0007, "VertexShader_Combined", "POSITION0 NORMAL0 TEXCOORD0", "NORMALS USETEXTUREPACKING"},
    {0x0017, "VertexShader_Combined", "POSITION0 NORMAL0 TEXCOORD0 BONES0 WEIGHTS0",
     "NORMALS BONESWEIGHTS USETEXTUREPACKING"},
    {0x001F, "VertexShader_Combined",
     "POSITION0 NORMAL0 TANGENT0 BINORMAL0 TEXCOORD0 BONES0 WEIGHTS0",
     "NORMALS TANBINORM BONESWEIGHTS USETEXTUREPACKING"},
    {0x039F, "VertexShader_Combined",
     "POSITION0 NORMAL0 TANGENT0 BINORMAL0 TEXCOORD1 TEXCOORD2 TEXCOORD3 TEXCOORD4 BONES0 WEIGHTS0",
     "NORMALS TANBINORM TEXSETS BONESWEIGHTS USETEXTUREPACKING"},
    {0x038F, "VertexShader_Combined",
     "POSITION0 NORMAL0 TANGENT0 BINORMAL0 TEXCOORD1 TEXCOORD2 TEXCOORD3 TEXCOORD4",
     "NORMALS TANBINORM TEXSETS USETEXTUREPACKING"},
    {0x780F, "VertexShader_Combined",
     "POSITION0 NORMAL0 TANGENT0 BINORMAL0 TEXCOORD0 COLOR0 COLOR1 COLOR2 COLOR3",
     "NORMALS TANBINORM USEVERTEXCOLORS USETEXTUREPACKING"},
    // Colours come before the bone data, as the vertex stores them.
    {0x781F, "VertexShader_Combined",
     "POSITION0 NORMAL0 TANGENT0 BINORMAL0 TEXCOORD0 COLOR0 COLOR1 COLOR2 COLOR3 BONES0 WEIGHTS0",
     "NORMALS TANBINORM BONESWEIGHTS USEVERTEXCOLORS USETEXTUREPACKING"},
    {0x7B9F, "VertexShader_Combined",
     "POSITION0 NORMAL0 TANGENT0 BINORMAL0 TEXCOORD1 TEXCOORD2 TEXCOORD3 TEXCOORD4 COLOR0 COLOR1 "
     "COLOR2 COLOR3 BONES0 WEIGHTS0",
     "NORMALS TANBINORM TEXSETS BONESWEIGHTS USEVERTEXCOLORS USETEXTUREPACKING"},
    {0x7B8F, "VertexShader_Combined",
     "POSITION0 NORMAL0 TANGENT0 BINORMAL0 TEXCOORD1 TEXCOORD2 TEXCOORD3 TEXCOORD4 COLOR0 COLOR1 "
     "COLOR2 COLOR3",
     "NORMALS TANBINORM TEXSETS USEVERTEXCOLORS USETEXTUREPACKING"},
    {0x002F, "VertexShader_PosNormBitanTexScreenSpace",
     "POSITION0 NORMAL0 TANGENT0 BINORMAL0 TEXCOORD0", "NORMALS TANBINORM USETEXTUREPACKING"},
    {0x004F, "VertexShader_PosNormBitanTexCube", "POSITION0 NORMAL0 TANGENT0 BINORMAL0 TEXCOORD0",
     "NORMALS TANBINORM USETEXTUREPACKING"},
    {0x0400, "VertexShader_FullscreenQuad", "POSITION0 TEXCOORD0", "USETEXTUREPACKING"},
};

TEST(VertexVariants, EveryBuiltWordHasItsEntryElementsAndMacros)
{
    ASSERT_EQ(std::size(kTable), std::size(kVertexVariantWords));
    for (size_t i = 0; i < std::size(kTable); ++i) {
        const Expected& e = kTable[i];
        SCOPED_TRACE(e.word);
        EXPECT_EQ(kVertexVariantWords[i], e.word);  // build order
        auto v = FindVertexVariant(e.word, true);
        ASSERT_TRUE(v);
        EXPECT_EQ(v->entryPoint, e.entry);
        EXPECT_EQ(Elements(*v), e.elements);
        EXPECT_EQ(MacroNames(*v), e.macros);
        for (const auto& [name, value] : v->macros)
            EXPECT_EQ(value, "true");
    }
}

TEST(VertexVariants, OffsetsAreAppendAligned)
{
    for (uint32_t word : kVertexVariantWords) {
        auto v = FindVertexVariant(word, true);
        uint32_t offset = 0;
        for (const auto& e : v->elements) {
            EXPECT_EQ(e.offset, offset) << word << " " << e.semanticName;
            offset += ElementFormatBytes(e.format);
        }
        EXPECT_EQ(v->stride, offset);
    }
    // Skinned, coloured, four UV sets: 4 x float4 frame, 4 x float2, 4 colours, bones, weights.
    EXPECT_EQ(FindVertexVariant(0x7B9F, true)->stride, 4 * 16 + 4 * 8 + 4 * 16 + 16 + 16u);
}

TEST(VertexVariants, TexturePackingOffIsStillDefinedAsFalse)
{
    auto v = FindVertexVariant(0x0003, false);
    ASSERT_EQ(v->macros.size(), 1u);
    EXPECT_EQ(v->macros[0].first, "USETEXTUREPACKING");
    EXPECT_EQ(v->macros[0].second, "false");
}

TEST(VertexVariants, WordsOutsideTheTableFindNothing)
{
    EXPECT_FALSE(FindVertexVariant(0x0013, true));  // position, set 0, bones, no normal
    EXPECT_FALSE(FindVertexVariant(0x0000, true));
    EXPECT_FALSE(FindVertexVariant(0x010F, true));
    EXPECT_FALSE(FindVertexVariant(0xFFFFFFFF, true));
}

TEST(MatchInputLayout, MapsEveryInputToItsElement)
{
    auto v = FindVertexVariant(0x000F, true);
    std::vector<ShaderInput> inputs = {{"TEXCOORD", 0, 7}, {"POSITION", 0, 2}};
    std::vector<InputBinding> bindings;
    std::string error;
    ASSERT_TRUE(MatchInputLayout(inputs, v->elements, bindings, error));
    ASSERT_EQ(bindings.size(), 2u);
    EXPECT_EQ(bindings[0].location, 7u);
    EXPECT_EQ(bindings[0].element, 4u);
    EXPECT_EQ(bindings[1].location, 2u);
    EXPECT_EQ(bindings[1].element, 0u);
}

TEST(MatchInputLayout, AnInputWithNoElementFailsTheLayout)
{
    auto v = FindVertexVariant(0x0003, true);
    std::vector<ShaderInput> inputs = {{"POSITION", 0, 0}, {"NORMAL", 0, 1}};
    std::vector<InputBinding> bindings;
    std::string error;
    EXPECT_FALSE(MatchInputLayout(inputs, v->elements, bindings, error));
    EXPECT_TRUE(bindings.empty());
    EXPECT_NE(error.find("NORMAL0"), std::string::npos) << error;
    // Same name, other index: no match either.
    EXPECT_FALSE(MatchInputLayout({{"TEXCOORD", 1, 0}}, v->elements, bindings, error));
}

}  // namespace
