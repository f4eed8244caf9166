// The exported interface before and after start-up.
#include <gtest/gtest.h>

#include <string>

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

TEST(CreatedEngine, EveryExportIsNeutralBeforeInitEngine)
{
    CreateEngineNative();
    CEngine& engine = *GetEngine();

    ResizeEngine(800, 600);
    Present();
    EXPECT_EQ(SendProcToNative(1, 0x100, 0, 0), 0);
    LoadModel("model.fbx");
    AddAnimation("walk.fbx");
    EXPECT_FALSE(ReloadModel());
    EXPECT_FALSE(IsModelLoaded());
    ShowOnly("Model Albedo");
    Rotate(true, true, true);
    SetTextureSet(0, 1);
    EXPECT_FALSE(HasTexture(0));
    SetVertexColor(1);
    SetExtraTexture("x.dds", 7);
    EXPECT_EQ(GetVertCount(), 0);
    EXPECT_EQ(GetTrisCount(), 0);
    DumpModelInformation();
    SetAnimSpeed(3);
    AddActiveAnimation(1);
    EngineSetAnimationBlend(0.5f);
    EXPECT_EQ(GetAnimationLength(), 0.0f);
    EXPECT_EQ(GetNumberOfAnimationClips(), 0);
    EXPECT_EQ(GetAnimationClipName(), nullptr);
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
    SetNearAndFarPlane(1.0f, 10.0f);
    SetPhotoMode(true);
    EXPECT_EQ(GetCameraX(), 0.0f);
    EXPECT_EQ(GetCameraY(), 0.0f);
    EXPECT_EQ(GetCameraZ(), 0.0f);
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
    TakeScreenshot(16, 16);
    EXPECT_EQ(LastMessage(), u"");
    EXPECT_EQ(GetErrorResult(), 0);
    ToggleVideoRecording(true);
    SetVideoRecordingAlpha(true);
    const unsigned char particle[100] = {};
    FeedParticleData(particle);
    FeedParticleTexture("p.dds");
    DoBurstParticle(0, 10);
    SetBurstParticle(true);

    // Nothing of the created state changed.
    EXPECT_EQ(engine.frameTime, 0.0f);
    EXPECT_EQ(engine.totalTime, 0.0f);
    EXPECT_FALSE(engine.videoRecording);
    EXPECT_FALSE(engine.videoRecordingAlpha);
    EXPECT_TRUE(engine.useTexturePacking);
    for (float value : engine.customShaderValues)
        EXPECT_EQ(value, 0.0f);
    EXPECT_EQ(engine.scene, nullptr);
    EXPECT_EQ(engine.input, nullptr);
    EXPECT_EQ(engine.device, nullptr);
    EXPECT_TRUE(engine.ModelPath().empty());
}

TEST(CreatedEngine, NullArgumentsAreHarmless)
{
    LoadModel(nullptr);
    AddAnimation(nullptr);
    ShowOnly(nullptr);
    SetExtraTexture(nullptr, 0);
    SetSkyBoxTexture(nullptr);
    GetErrorString(nullptr);
    AskEngineAboutImage(nullptr);
    FeedParticleData(nullptr);
    SUCCEED();
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

TEST_F(EngineWithScene, OptionsAndFeedsReachTheEngine)
{
    CEngine& engine = *GetEngine();
    SetCustomShaderValues(1.5f, -2.0f, 3.0f, 4.0f, 5.25f);
    EXPECT_EQ(engine.customShaderValues[0], 1.5f);
    EXPECT_EQ(engine.customShaderValues[4], 5.25f);
    ToggleVideoRecording(true);
    EXPECT_TRUE(engine.videoRecording);
    SetVideoRecordingAlpha(true);
    EXPECT_TRUE(engine.videoRecordingAlpha);
    SetRighthandedTangentSpace(true);
    EXPECT_TRUE(engine.rightHandedTangentSpace);

    FeedMousePos(-5, 700);
    FeedCameraControl(true, false, true, false);
    FeedLightControl(false, true, false, true);
    FeedMouseScroll(120);
    FeedMouseScroll(-240);
    EXPECT_EQ(engine.input->mouseX, -5.0f);
    EXPECT_EQ(engine.input->mouseY, 700.0f);
    EXPECT_TRUE(engine.input->cameraKeys[0]);
    EXPECT_FALSE(engine.input->cameraKeys[1]);
    EXPECT_TRUE(engine.input->lightKeys[3]);
    EXPECT_EQ(engine.input->wheel, -120);
    EXPECT_TRUE(IsModelLoaded());
}
