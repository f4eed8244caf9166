// The shader object on a real GL context: start-up compiles, the draw constants as the GPU
// holds them, and a draw through BindForDraw all the way to the back buffer.
#include <assimp/mesh.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "api/Engine.h"
#include "api/FrameDriver.h"
#include "graphics/FullscreenQuad.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/RenderTargets.h"
#include "graphics/gpu/GpuDevice.h"
#include "models/MeshData.h"
#include "models/ModelNode.h"
#include "scene/Camera.h"
#include "scene/Scene.h"
#include "shaders/BaseShader.h"
#include "shaders/PixelShaderRegistry.h"
#include "shaders/VertexVariants.h"
#include "support/EngineWindow.h"
#include "support/ScratchDirectory.h"
#include "textures/TextureRecord.h"
#include "ui/CustomShaderChoice.h"

namespace {

// A texture record of RGBA8 texels (bytes R, G, B, A), `width` x 1.
TextureHandle RecordOfTexels(std::vector<uint8_t> texels, uint32_t width)
{
    gpu::TextureDesc desc;
    desc.width = width;
    desc.format = gpu::FormatRgba8();
    gpu::SubresourceData data{texels.data(), width * 4};
    auto record = std::make_shared<TextureRecord>();
    record->view = gpu::CreateShaderResourceView(gpu::CreateTexture(desc, std::span(&data, 1)));
    return record;
}

class ShaderPipeline : public ::testing::Test {
   protected:
    void SetUp() override
    {
        ASSERT_EQ(testing_support::StartEngine(kWidth, kHeight), 0);
        engine = GetEngine();
        shader = GetEngine()->baseShader.get();
        ASSERT_NE(shader, nullptr);
    }

    template <typename T>
    T ReadBuffer(const gpu::Buffer& buffer)
    {
        T value;
        glGetNamedBufferSubData(buffer.Name(), 0, sizeof(T), &value);
        return value;
    }

    // R, G, B of the back buffer's centre.
    std::vector<int> BackBufferCentre()
    {
        const auto pixels =
            testing_support::ReadTextureRgba8(engine->device->backBuffer->Name(), kWidth, kHeight);
        const size_t centre = ((kHeight / 2) * kWidth + kWidth / 2) * 4;
        return std::vector<int>(pixels.begin() + centre, pixels.begin() + centre + 3);
    }

    static constexpr int kWidth = 64;
    static constexpr int kHeight = 48;
    CEngine* engine = nullptr;
    CBaseShader* shader = nullptr;
};

// A word outside the variant table, or a pixel shader that never compiled: nothing is
// bound, not even the constants, and nothing is logged per draw. A binding that succeeds
// puts the constants where the shaders read them.
TEST_F(ShaderPipeline, OnlyABindWithBothShadersUploadsTheConstantsAtTheirOffsets)
{
    const size_t messages = engine->scene->log.Count();
    ASSERT_TRUE(shader->SelectPixelShader("PBL Default"));
    shader->SelectVertexFormat(0x0013);
    EXPECT_FALSE(shader->BindForDraw(Matrix4::Identity(), nullptr, 0));
    EXPECT_EQ(engine->scene->log.Count(), messages);
    shader->SelectPixelShader("never compiled");
    shader->SelectVertexFormat(0x0003);
    DrawView refused{Matrix4::Identity(), Matrix4::Identity(), {1.0f, 2.0f, 3.0f}};
    ASSERT_FALSE(shader->BindForDraw(Matrix4::Identity(), &refused, 0));
    glFinish();
    EXPECT_NE(ReadBuffer<ShadingConstants>(*shader->shadingConstants).eye[0], 1.0f);

    engine->rightHandedTangentSpace = true;
    engine->cubemapParameter = 180.0f;
    const float custom[5] = {1.0f, 2.0f, 3.0f, 4.0f, 5.0f};
    std::memcpy(engine->customShaderValues, custom, sizeof(custom));
    DrawView view{Matrix4::Identity(), Matrix4::Identity(), {7.0f, 8.0f, 9.0f}};
    // The fullscreen pass's binding: identity world, draw value 0.
    ASSERT_TRUE(shader->SelectPixelShader("FullscreenQuad"));
    shader->SelectVertexFormat(VertexFullscreenQuad);
    shader->cubeMapInfo[0] = 8;
    shader->cubeMapInfo[1] = 3;
    ASSERT_TRUE(shader->BindForDraw(Matrix4::Identity(), &view, 0));
    glFinish();

    const auto b0 = ReadBuffer<std::array<uint8_t, 288>>(*shader->transformConstants);
    EXPECT_EQ(std::memcmp(&b0[256], custom, sizeof(custom)), 0);
    float signAndAngle[2];
    std::memcpy(signAndAngle, &b0[280], sizeof(signAndAngle));
    EXPECT_EQ(signAndAngle[0], -1.0f);
    EXPECT_NEAR(signAndAngle[1], 3.1415927f, 1e-6f);
    const auto b3 = ReadBuffer<ShadingConstants>(*shader->shadingConstants);
    EXPECT_EQ((std::vector<float>{b3.eye[0], b3.eye[2], b3.screenSize[0]}),
              (std::vector<float>{7.0f, 9.0f, static_cast<float>(kWidth)}));
    EXPECT_EQ((std::vector<uint32_t>{b3.cubeMapInfo[0], b3.cubeMapInfo[1], b3.drawValue}),
              (std::vector<uint32_t>{8u, 3u, 0u}));
}

// Start-up builds every vertex variant and pixel shader without an error. Shaders are
// compiled on every core, but the registry's order still decides what exists and what is
// reported: a custom file without "FullscreenQuad" leaves only its main shader and reports
// that one failure, none for the rows the registry never reached.
TEST_F(ShaderPipeline, StartUpBuildsEveryShaderAndACustomFileLackingFullscreenQuadOnlyItsMain)
{
    for (uint32_t word : kVertexVariantWords) {
        const VertexVariant* variant =
            shader->variants.count(word) ? shader->variants[word].get() : nullptr;
        EXPECT_TRUE(variant && variant->inputLayout && variant->vertexShader) << std::hex << word;
    }
    for (const PixelShaderRow& row : kPixelShaderRows)
        EXPECT_NE(shader->pixelShaders[row.displayName], nullptr) << row.displayName;
    const auto errorsFrom = [&](size_t first) {
        std::vector<std::string> errors;
        for (const auto& entry : engine->scene->log.EntriesFrom(first))
            if (entry.level == MessageLevelError)
                errors.push_back(entry.text);
        return errors;
    };
    EXPECT_EQ(errorsFrom(0), std::vector<std::string>{});
    EXPECT_EQ(engine->scene->log.LastMessage(), "All shaders compiled successfully");

    const testing_support::ScratchDirectory scratch;
    CustomShaderList list;
    list.displayNames.push_back("custom");
    list.paths.push_back(scratch.Write("PS_Custom.fx",
                                       "float4 Flat(float4 position : SV_Position) "
                                       ": SV_Target { return 1.0; }\n"));
    SetCustomShaderEntry(*engine, "Flat");
    const size_t messages = engine->scene->log.Count();
    SetCustomShaderFile(*engine, list, 0);  // stores the path and rebuilds at once

    EXPECT_NE(shader->pixelShaders["PBL Default"], nullptr);
    for (size_t row = 1; row < kPixelShaderRows.size(); ++row)
        EXPECT_EQ(shader->pixelShaders[kPixelShaderRows[row].displayName], nullptr)
            << kPixelShaderRows[row].displayName;
    const std::vector<std::string> errors = errorsFrom(messages);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("Entry point not found"), std::string::npos) << errors[0];
    EXPECT_EQ(shader->variants.size(), std::size(kVertexVariantWords));
}

// A clip-space quad over the whole target, both windings, with every vertex at u 0.25 in
// UV set 0 and u 0.75 in UV set 1.
std::unique_ptr<CMeshObject> TwoUvSetQuad()
{
    aiMesh quad;
    quad.mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    quad.mNumVertices = 4;
    quad.mVertices = new aiVector3D[4]{{-1, -1, 0.5f}, {1, -1, 0.5f}, {1, 1, 0.5f}, {-1, 1, 0.5f}};
    quad.mNormals = new aiVector3D[4]{{0, 0, -1}, {0, 0, -1}, {0, 0, -1}, {0, 0, -1}};
    quad.mTangents = new aiVector3D[4]{{1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0}};
    quad.mBitangents = new aiVector3D[4]{{0, 1, 0}, {0, 1, 0}, {0, 1, 0}, {0, 1, 0}};
    for (unsigned set = 0; set < 2; ++set) {
        const float u = set == 0 ? 0.25f : 0.75f;
        quad.mTextureCoords[set] =
            new aiVector3D[4]{{u, 0.5f, 0}, {u, 0.5f, 0}, {u, 0.5f, 0}, {u, 0.5f, 0}};
        quad.mNumUVComponents[set] = 2;
    }
    auto meshObject = std::make_unique<CMeshObject>();
    meshObject->meshData = std::make_unique<MeshData>();
    BuildMeshVertices(quad, *meshObject->meshData);
    meshObject->meshData->indices = {0, 1, 2, 0, 2, 3, 2, 1, 0, 3, 2, 0};
    meshObject->formatWord = meshObject->meshData->format;
    return meshObject;
}

// The albedo slot sampled with UV set 1 and the material slot with set 0, drawn by the
// scene's own mesh draw: each slot reads its own set, and the empty normal slot's table
// value is 0 whatever set it names.
TEST_F(ShaderPipeline, EachTextureSlotIsSampledWithItsOwnUvSet)
{
    // Left texel red with green 0 (roughness 0), right texel green 255 (roughness 1).
    const TextureHandle texture = RecordOfTexels({255, 0, 0, 255, 0, 255, 0, 255}, 2);
    std::unique_ptr<CMeshObject> meshObject = TwoUvSetQuad();
    ASSERT_EQ(meshObject->formatWord, 0x038Fu);
    TextureBlock& block = meshObject->textureSlots[0];
    block[kAlbedoSlot] = {texture, 1};
    block[kMaterialSlot] = {texture, 0};
    block[kNormalSlot].uvSet = 1;
    auto model = std::make_unique<CModelNode>(nullptr, "");
    model->isRoot = 1;
    model->meshObjects.push_back(std::move(meshObject));
    CScene& scene = *engine->scene;
    {
        std::lock_guard<std::mutex> lock(scene.modelLock);
        scene.model = std::move(model);
    }
    // An identity camera: the quad's positions are clip-space positions.
    engine->camera->cameraMatrix = Matrix4::Identity();
    engine->camera->useAlternativeProjection = true;

    CGraphicsDevice& device = *engine->device;
    auto centreWith = [&](const char* shaderName) {
        scene.model->shaderName = shaderName;
        BeginSceneTarget(*engine);
        device.context->SetDepthStencilState(*device.depthTestWrite, 1);
        scene.Draw(0.0f, true);
        device.context->ClearDepth(*device.depthView, 1.0f);
        device.context->SetRenderTarget(device.backBufferView, device.depthView);
        DrawFullscreenPass(*engine, engine->sceneTarget->resourceView);
        return BackBufferCentre();
    };
    // The albedo reaches the back buffer in its texture colour, read with set 1.
    const std::vector<int> albedo = centreWith("Model Albedo");
    EXPECT_NEAR(albedo[0], 0, 2);
    EXPECT_NEAR(albedo[1], 255, 2);
    EXPECT_LT(centreWith("Model Roughness")[1], 40) << "the material slot reads set 0";

    const auto table = ReadBuffer<TextureSlotTable>(*shader->textureSlotTable);
    EXPECT_EQ((std::vector<uint32_t>{table.values[kAlbedoSlot], table.values[kMaterialSlot],
                                     table.values[kNormalSlot]}),
              (std::vector<uint32_t>{1, 0, 0}));
}

// Once the host has resized the engine, the fullscreen pass shows the scene even where the
// scene lies nearer than the pass's quad (depth 0.5).
TEST_F(ShaderPipeline, TheFullscreenPassShowsTheSceneWhateverItsDepth)
{
    ResizeEngine(kWidth, kHeight);
    CGraphicsDevice& device = *engine->device;
    gpu::Context& context = *device.context;
    const float grey[4] = {0.6f, 0.6f, 0.6f, 1.0f};  // tone-mapped to 213
    const float black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    context.ClearRenderTarget(*engine->sceneTarget->targetView, grey);
    context.ClearRenderTarget(*device.backBufferView, black);
    context.SetRenderTarget(device.backBufferView, device.depthView);
    context.ClearDepth(*device.depthView, 0.0f);
    context.SetDepthStencilState(*device.depthTestWrite, 1);
    ASSERT_TRUE(DrawFullscreenPass(*engine, engine->sceneTarget->resourceView));
    for (int channel : BackBufferCentre())
        EXPECT_NEAR(channel, 213, 2);
}

// The scene's extra texture in slot 2 reaches unit 6 of the frame's fullscreen pass,
// where a "FullscreenQuad" shader of the user's reads it.
TEST_F(ShaderPipeline, TheFullscreenPassReadsTheScenesExtraTexturesFromUnitFour)
{
    const testing_support::ScratchDirectory folder;
    std::filesystem::copy_file("shaders/ShaderStructs.fx", folder / "ShaderStructs.fx");
    folder.Write("PS_Extra.fx",
                 "#include \"ShaderStructs.fx\"\n"
                 "Texture2D ThirdExtraTexture : register(t6);\n"
                 "float4 ShowExtra(VertexToPixel input) : SV_Target\n"
                 "{ return ThirdExtraTexture.Sample(LinearSampler, input.uv01.xy); }\n");
    std::string error;
    ASSERT_TRUE(shader->CompilePixelShader("FullscreenQuad", (folder / "PS_Extra.fx").string(),
                                           "ShowExtra", true, error))
        << error;
    engine->scene->extraTextures[2].texture = RecordOfTexels({10, 200, 30, 255}, 1);
    // Whatever a mesh left on unit 6 must not be what the pass shows.
    const TextureHandle stale = RecordOfTexels({0, 0, 0, 255}, 1);
    engine->device->context->BindShaderResource(6, stale->view.get());

    ASSERT_TRUE(ComposeFrame(*engine, false));
    EXPECT_EQ(BackBufferCentre(), (std::vector<int>{10, 200, 30}));
}

}  // namespace
