// The variant table: elements, offsets, entry points and macros of every built word; and the
// transform constants: the matrices as the shaders read them, custom values bit for bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "shaders/DrawConstants.h"
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
// stores them; the elements are append-aligned.
TEST(VertexVariants, MacrosElementsAndOffsetsFollowTheWordsBits)
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
        uint32_t offset = 0;
        for (const auto& e : v->elements) {
            EXPECT_EQ(e.offset, offset) << e.semanticName;
            offset += ElementFormatBytes(e.format);
        }
        EXPECT_EQ(v->stride, offset);
    }
    // Skinned, coloured, four UV sets: 4 x float4 frame, 4 x float2, 4 colours, bones, weights.
    EXPECT_EQ(FindVertexVariant(0x7B9F, true)->stride, 4 * 16 + 4 * 8 + 4 * 16 + 16 + 16u);
    EXPECT_EQ(MacroNames(*FindVertexVariant(0x0003, false)), " USETEXTUREPACKING=false");
    // Words outside the table find nothing; 0x0013 has position, set 0 and bones but no normal.
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
    std::vector<std::pair<uint32_t, size_t>> mapped;
    for (const InputBinding& b : bindings)
        mapped.emplace_back(b.location, b.element);
    EXPECT_EQ(mapped, (std::vector<std::pair<uint32_t, size_t>>{{7, 4}, {2, 0}}));

    const auto positionAndUv = FindVertexVariant(0x0003, true)->elements;
    EXPECT_FALSE(
        MatchInputLayout({{"POSITION", 0, 0}, {"NORMAL", 0, 1}}, positionAndUv, bindings, error));
    EXPECT_TRUE(bindings.empty());
    EXPECT_NE(error.find("NORMAL0"), std::string::npos) << error;
    EXPECT_FALSE(MatchInputLayout({{"TEXCOORD", 1, 0}}, positionAndUv, bindings, error));
}

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
    in.projection = Transpose(Affine());
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
