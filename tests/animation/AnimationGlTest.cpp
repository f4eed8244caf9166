// Skeletal animation on a real GL context: the palette as the vertex shader reads it, real
// files moving between two clip times, and joints drawn through the model.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "animation/AnimationQueries.h"
#include "api/Engine.h"
#include "api/FrameDriver.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/RenderTargets.h"
#include "graphics/gpu/GpuDevice.h"
#include "models/ModelNode.h"
#include "scene/Camera.h"
#include "scene/Scene.h"
#include "shaders/BaseShader.h"
#include "shaders/VertexVariants.h"
#include "support/EngineWindow.h"
#include "support/ReferenceImage.h"
#include "textures/TextureRecord.h"

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

struct Box {
    int left = kWidth, top = kHeight, right = -1, bottom = -1;
    bool operator==(const Box&) const = default;
};

// One skinned triangle in clip space (identity camera), bound to bone 3 alone, drawn with
// the palette as the mesh draw uploads it; returns the box of the pixels it covers.
Box DrawSkinnedTriangle(CEngine& engine, const Matrix4& bone3)
{
    CGraphicsDevice& device = *engine.device;
    gpu::Context& context = *device.context;
    CBaseShader& shader = *GetEngine()->baseShader.get();
    // The layout of format word 0x17: position, normal (towards the camera), UV set 0,
    // bone indices (3 alone) and weights.
    const float vertices[3][18] = {{-0.75f, -0.5f, .5f, 1, 0, 0, -1, 0, 0, 0, 3, 0, 0, 0, 1},
                                   {-0.25f, -0.5f, .5f, 1, 0, 0, -1, 0, 0, 0, 3, 0, 0, 0, 1},
                                   {-0.5f, 0.0f, .5f, 1, 0, 0, -1, 0, 0, 0, 3, 0, 0, 0, 1}};
    const uint32_t indices[] = {0, 1, 2};
    auto vertexBuffer = gpu::CreateBuffer(gpu::BufferBinding::Vertex, gpu::BufferUsage::Immutable,
                                          sizeof(vertices), vertices, 72);
    auto indexBuffer = gpu::CreateBuffer(gpu::BufferBinding::Index, gpu::BufferUsage::Immutable,
                                         sizeof(indices), indices);
    BeginSceneTarget(engine);
    context.SetDepthStencilState(*device.depthTestWrite, 1);
    context.SetRasterizerState(*device.solidRasterizer);
    EXPECT_TRUE(shader.SelectPixelShader("Model Albedo"));
    shader.SelectVertexFormat(VertexPosition | VertexTexSet0 | VertexNormal | VertexBones);
    DrawView view{Matrix4::Identity(), Matrix4::Identity(), {0.0f, 0.0f, 0.0f}};
    EXPECT_TRUE(shader.BindForDraw(Matrix4::Identity(), &view, 0));
    std::array<Matrix4, kBonePaletteSize> palette;
    palette.fill(Matrix4::Identity());
    palette[3] = bone3;
    const BonePalette uploaded = FillBonePalette(palette);
    EXPECT_TRUE(context.UpdateBuffer(*shader.bonePalette, &uploaded, sizeof(uploaded)));
    context.BindShaderResource(15, shader.bonePaletteView.get());
    context.SetIndexBuffer(indexBuffer);
    context.SetVertexBuffer(vertexBuffer, 72, 0);
    context.DrawIndexed(3, 0, 0);

    std::vector<float> pixels(kWidth * kHeight * 4);
    glGetTextureImage(engine.sceneTarget->texture->Name(), 0, GL_RGBA, GL_FLOAT,
                      static_cast<GLsizei>(pixels.size() * sizeof(float)), pixels.data());
    Box box;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const float* p = &pixels[(y * kWidth + x) * 4];
            if (p[0] == pixels[0] && p[1] == pixels[1] && p[2] == pixels[2])
                continue;  // the background of the corner
            box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
                   std::max(box.bottom, y)};
        }
    return box;
}

// The palette holds row-vector matrices, translation in the fourth row; uploaded as is, the
// shader would lose the translation.
TEST(AnimationOnGl, ABoneTranslationMovesASkinnedVertexByExactlyThatTranslation)
{
    ASSERT_EQ(testing_support::StartEngine(kWidth, kHeight), 0);
    CEngine& engine = *GetEngine();
    const Box rest = DrawSkinnedTriangle(engine, Matrix4::Identity());
    ASSERT_GT(rest.right, rest.left);
    Matrix4 moved = Matrix4::Identity();
    moved.m[3][0] = 0.5f;   // a quarter of the target's width: 16 pixels right
    moved.m[3][1] = 0.25f;  // an eighth of its height: 6 pixels up
    const Box shifted = DrawSkinnedTriangle(engine, moved);
    EXPECT_TRUE(shifted == (Box{rest.left + 16, rest.top - 6, rest.right + 16, rest.bottom - 6}));
}

class ModelOnGl : public ::testing::TestWithParam<const char*> {
   protected:
    void SetUp() override
    {
        ASSERT_EQ(testing_support::StartEngine(160, 120), 0);
        ResizeEngine(160, 120);  // as the host does; it makes the depth-off state
        engine = GetEngine();
        LoadModel((std::string("/usr/share/assimp/models/FBX/") + GetParam()).c_str());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!IsModelLoaded() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_TRUE(IsModelLoaded());
        ASSERT_TRUE(engine->scene->FrameLoadedModel());
        CCamera& camera = *engine->camera;  // the end of the framing motion, at once
        camera.panX = camera.focusPanX;
        camera.panY = camera.focusPanY;
        camera.zoom = camera.focusZoom;
        camera.focusActive = false;
        ShowOnly("Model Albedo");
    }

    std::vector<uint8_t> FrameAt(float seconds)
    {
        engine->scene->WithModel([seconds](CModelNode* model) {
            if (model)
                SetAnimationTime(*model, seconds);
        });
        ComposeFrame(*engine, true);
        return testing_support::ReadTextureRgba8(engine->device->backBuffer->Name(), 160, 120);
    }

    CEngine* engine = nullptr;
};

// The pose at a later time, and white joint lines drawn without depth test over it.
TEST_P(ModelOnGl, MovesBetweenTwoClipTimesAndItsJointsShowThroughIt)
{
    const std::vector<uint8_t> early = FrameAt(0.2f);
    const std::vector<uint8_t> late = FrameAt(0.5f);
    EXPECT_NE(early, late) << "the pose changed the picture";
    const std::string name = std::string(GetParam()).substr(0, std::strlen(GetParam()) - 4);
    EXPECT_TRUE(testing_support::MatchesReference(name + "_pose", late, 160, 120));
    engine->showJointsThroughGeometry = true;
    EXPECT_TRUE(testing_support::MatchesReference(name + "_joints", FrameAt(0.5f), 160, 120));
}

// The video-recording step moves the clips' clock by exactly 1/60 s a frame, whatever the
// frame took, so speed 50 plays half a second in 60 frames; looping off stops the clock
// at the clip's end.
TEST_P(ModelOnGl, HalfSpeedPlaysHalfAsFarOnTheRecordingClockAndLoopingOffStopsAtTheEnd)
{
    const auto elapsed = [this] {
        float seconds = 0.0f;
        engine->scene->WithModel(
            [&](CModelNode* model) { seconds = DescribeAnimation(model).elapsedSeconds; });
        return seconds;
    };
    ToggleVideoRecording(true);
    SetAnimSpeed(50);
    engine->scene->WithModel([](CModelNode* model) {
        SetAnimationTime(*model, 0.0f);
        SetAnimationPlaybackPosition(*model, -1.0f);  // play on from there
    });
    ComposeFrame(*engine, true);
    const float start = elapsed();
    for (int frame = 0; frame < 60; ++frame)
        ComposeFrame(*engine, true);
    EXPECT_NEAR(elapsed() - start, 0.5f, 1e-4f);

    float loopSeconds = 0.0f;
    engine->scene->WithModel(
        [&](CModelNode* model) { loopSeconds = DescribeAnimation(model).loopSeconds; });
    ASSERT_GT(loopSeconds, 0.0f);
    engine->loopAnimation = false;
    SetAnimSpeed(1000);
    for (int frame = 0; frame < 60 && elapsed() < loopSeconds * 0.999f; ++frame)
        ComposeFrame(*engine, true);
    ComposeFrame(*engine, true);
    EXPECT_LT(elapsed(), loopSeconds);
    EXPECT_GT(elapsed(), loopSeconds * 0.999f);
    ToggleVideoRecording(false);
}

INSTANTIATE_TEST_SUITE_P(AssimpTestModels, ModelOnGl,
                         ::testing::Values("huesitos.fbx", "animation_with_skeleton.fbx"),
                         [](const auto& info) {
                             std::string name = info.param;
                             return name.substr(0, name.find('.'));
                         });

}  // namespace
