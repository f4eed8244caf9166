// The variant table: elements, offsets, entry points and macros of every built word.
#include <gtest/gtest.h>

#include "shaders/VertexVariants.h"

namespace {

std::string MacroNames(const VertexVariantDesc& v)
{
    std::string text;
    for (const auto& [name, value] : v.macros)
        text += " " + name + "=" + value;
    return text;
}

// The macros follow the word's bits; colours come before the bone data, as the vertex
// stores them; the special passes have entry points of their own.
TEST(VertexVariants, MacrosAndElementsFollowTheWordsBits)
{
    for (uint32_t word : kVertexVariantWords) {
        SCOPED_TRACE(word);
        auto v = FindVertexVariant(word, true);
        ASSERT_TRUE(v);
        const std::string macros = MacroNames(*v);
        EXPECT_EQ(macros.find(" TEXSETS=true") != std::string::npos, (word & 0x380) != 0);
        EXPECT_EQ(macros.find(" BONESWEIGHTS=true") != std::string::npos, (word & 0x10) != 0);
        EXPECT_EQ(macros.find(" USEVERTEXCOLORS=true") != std::string::npos, (word & 0x7800) != 0);
        EXPECT_NE(macros.find(" USETEXTUREPACKING=true"), std::string::npos);
        if (word & 0x10 && word & 0x7800) {
            EXPECT_EQ(v->elements[v->elements.size() - 3].semanticName, "COLOR");
        }
    }
    EXPECT_EQ(FindVertexVariant(0x002F, true)->entryPoint,
              "VertexShader_PosNormBitanTexScreenSpace");
    EXPECT_EQ(FindVertexVariant(0x004F, true)->entryPoint, "VertexShader_PosNormBitanTexCube");
    EXPECT_EQ(FindVertexVariant(0x0400, true)->entryPoint, "VertexShader_FullscreenQuad");
    EXPECT_EQ(MacroNames(*FindVertexVariant(0x0003, false)), " USETEXTUREPACKING=false");
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

TEST(VertexVariants, WordsOutsideTheTableFindNothing)
{
    // 0x0013: position, set 0 and bones, but no normal.
    for (uint32_t word : {0x0013u, 0x0000u, 0x010Fu, 0xFFFFFFFFu})
        EXPECT_FALSE(FindVertexVariant(word, true)) << word;
}

// Every input finds its element by name and index, or the whole layout fails and names it.
TEST(MatchInputLayout, MapsEveryInputToItsElementOrFails)
{
    std::vector<InputBinding> bindings;
    std::string error;
    const auto uvSet = FindVertexVariant(0x000F, true);
    ASSERT_TRUE(MatchInputLayout({{"TEXCOORD", 0, 7}, {"POSITION", 0, 2}}, uvSet->elements,
                                 bindings, error));
    ASSERT_EQ(bindings.size(), 2u);
    EXPECT_EQ(bindings[0].location, 7u);
    EXPECT_EQ(bindings[0].element, 4u);
    EXPECT_EQ(bindings[1].location, 2u);
    EXPECT_EQ(bindings[1].element, 0u);

    const auto positionAndUv = FindVertexVariant(0x0003, true)->elements;
    EXPECT_FALSE(
        MatchInputLayout({{"POSITION", 0, 0}, {"NORMAL", 0, 1}}, positionAndUv, bindings, error));
    EXPECT_TRUE(bindings.empty());
    EXPECT_NE(error.find("NORMAL0"), std::string::npos) << error;
    EXPECT_FALSE(MatchInputLayout({{"TEXCOORD", 1, 0}}, positionAndUv, bindings, error));
}

}  // namespace
