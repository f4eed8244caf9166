// The exported interface before and after start-up.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "api/Engine.h"
#include "api/public/vornis_engine.h"
#include "scene/Scene.h"

namespace {

std::u16string LastMessage()
{
    char16_t buffer[512];
    buffer[0] = u'?';
    GetErrorString(buffer);
    return buffer;
}

}  // namespace

TEST(CreatedEngine, ExistsAsSoonAsTheLibraryIsLoadedAndIsKeptByCreate)
{
    CEngine* first = GetEngine();
    ASSERT_NE(first, nullptr);
    CreateEngineNative();
    CreateEngineNative();
    EXPECT_EQ(GetEngine(), first);
}

// Before InitEngine every export, null arguments included, does nothing: queries answer zero
// and the created state stays as it was.
TEST(CreatedEngine, EveryExportIsNeutralBeforeInitEngine)
{
    CreateEngineNative();
    ResizeEngine(800, 600);
    Present();
    // The one export that speaks before start-up: there is no model, and its box says so.
    testing::internal::CaptureStderr();
    DumpModelInformation();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("ModelInfo: No model found ;( "),
              std::string::npos);
    TakeScreenshot(16, 16);
    LoadModel("model.fbx");
    AddAnimation("walk.fbx");
    ShowOnly("Model Albedo");
    Rotate(true, true, true);
    SetTextureSet(0, 1);
    SetVertexColor(1);
    SetExtraTexture("x.dds", 7);
    SetAnimSpeed(3);
    AddActiveAnimation(1);
    EngineSetAnimationBlend(0.5f);
    BeginAnimations();
    ClearActiveAnimations();
    SetAnimationMode(2);
    SetCameraAnimationSpeed(5);
    SetCameraAnimationScale(10);
    SetCameraAnimationState(true);
    FeedMousePos(10, 20);
    FeedCameraControl(true, true, true, true);
    FeedLightControl(true, true, true, true);
    FeedMouseScroll(120);
    ResetCamera();
    FocusOnObject();
    SetFOV(60);
    SetPhotoMode(true);
    SetNearAndFarPlane(1.0f, 10.0f);
    SetLightColor(255, 0, 0);
    SetLightIntensity(100.0f);
    SetLightOrientationToCamera();
    SetSkyBoxTexture("sky.dds");
    RenderSkyBox(true);
    ChangeCubeMapMipLevel(2);
    SetBackgroundColor(255, 255, 255);
    ChangeSizeOfXYZModel(3);
    SetRenderMode(1);
    SetCustomShaderValues(1, 2, 3, 4, 5);
    SetUseTexturePacking(false);
    EnableVR(true);
    AskEngineAboutImage(u"image.dds");
    ToggleVideoRecording(true);
    SetVideoRecordingAlpha(true);
    FeedParticleTexture("p.dds");
    DoBurstParticle(0, 10);
    SetBurstParticle(true);
    LoadModel(nullptr);
    AddAnimation(nullptr);
    ShowOnly(nullptr);
    SetExtraTexture(nullptr, 0);
    SetSkyBoxTexture(nullptr);
    GetErrorString(nullptr);
    AskEngineAboutImage(nullptr);
    FeedParticleData(nullptr);
    FeedParticleData(std::vector<unsigned char>(100).data());
    EXPECT_EQ(SendProcToNative(1, 0x100, 0, 0) + GetVertCount() + GetTrisCount() +
                  GetNumberOfAnimationClips() + GetErrorResult(),
              0);
    EXPECT_FALSE(ReloadModel() || IsModelLoaded() || HasTexture(0));
    EXPECT_EQ(GetAnimationLength() + GetCameraX() + GetCameraY() + GetCameraZ(), 0.0f);
    EXPECT_EQ(GetAnimationClipName(), nullptr);
    EXPECT_EQ(LastMessage(), u"");

    const CEngine& engine = *GetEngine();
    EXPECT_EQ(engine.frameTime + engine.totalTime, 0.0f);
    EXPECT_FALSE(engine.videoRecording || engine.videoRecordingAlpha);
    EXPECT_TRUE(engine.useTexturePacking);
    EXPECT_EQ(std::count(std::begin(engine.customShaderValues), std::end(engine.customShaderValues),
                         0.0f),
              5);
    EXPECT_TRUE(!engine.scene && !engine.input && !engine.device);
    EXPECT_TRUE(engine.ModelPath().empty());
}

class EngineWithScene : public ::testing::Test {
   protected:
    void SetUp() override
    {
        CreateEngineNative();
        GetEngine()->scene = std::make_unique<CScene>();
        GetEngine()->input = std::make_unique<InputState>();
    }
};

TEST_F(EngineWithScene, ExtraTextureIndexOutsideTheFiveSlotsIsRefused)
{
    for (int index : {5, 100, -1, -2147483647 - 1}) {
        SetExtraTexture("texture.dds", index);
        EXPECT_EQ(LastMessage(), u"Extra texture: Index must be lower than 4 and higher than 0")
            << index;
        EXPECT_EQ(GetErrorResult(), 0);
    }
    const size_t count = GetEngine()->scene->log.Count();
    SetExtraTexture("texture.dds", 0);
    SetExtraTexture("texture.dds", 4);
    EXPECT_EQ(GetEngine()->scene->log.Count(), count);
}

TEST_F(EngineWithScene, ErrorStringWidensEveryByteAndTerminates)
{
    GetEngine()->ReportMessage("Model loaded: a.fbx", MessageLevelInfo);
    char16_t buffer[64];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    GetErrorString(buffer);
    EXPECT_EQ(std::u16string(buffer), u"Model loaded: a.fbx");
    EXPECT_EQ(buffer[19], 0);
    EXPECT_EQ(buffer[20], u'#');
    EXPECT_EQ(GetErrorResult(), 1);
}

// The five custom values keep their order. (The feeds are followed through the camera's
// and the interface's tests.)
TEST_F(EngineWithScene, CustomValuesKeepTheirOrder)
{
    SetCustomShaderValues(1.5f, -2.0f, 3.0f, 4.0f, 5.25f);
    EXPECT_EQ(GetEngine()->customShaderValues[0], 1.5f);
    EXPECT_EQ(GetEngine()->customShaderValues[1], -2.0f);
    EXPECT_EQ(GetEngine()->customShaderValues[4], 5.25f);
    EXPECT_TRUE(IsModelLoaded());
}
