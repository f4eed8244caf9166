// Animation through the engine's import with the animation side installed: what the
// animation window reads, clip files added and changed, camera clips, joint markers, and
// loads at once.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "animation/AnimationHooks.h"
#include "animation/AnimationQueries.h"
#include "animation/CameraClip.h"
#include "animation/ClipImport.h"
#include "animation/ClipReload.h"
#include "animation/SkeletonMarkers.h"
#include "models/ModelImporter.h"
#include "models/ModelNode.h"
#include "models/ModelTestSupport.h"
#include "platform/Paths.h"
#include "scene/Camera.h"

namespace {

using modeltest::kFbxDir;

class AnimationFiles : public modeltest::ModelTest {
   protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        services.reports.error = [this](const std::string& text) { errors.push_back(text); };
        services.reports.messageBox = [this](const std::string& title, const std::string& text) {
            boxes.push_back(title + ": " + text);
        };
        importer.animationHooks = MakeAnimationHooks(services);
    }

    std::unique_ptr<CModelNode> Import(const std::string& path)
    {
        return importer.ImportModel(path.c_str(), nullptr, kFbxDir, 0);
    }

    // The animation set of the model's first animated mesh object.
    static AnimationSet& FirstSet(const CModelNode& model)
    {
        std::vector<CMeshObject*> all;
        model.CollectMeshObjects(all);
        return *(*std::find_if(all.begin(), all.end(), [](auto* m) {
                    return m->animationSet;
                }))->animationSet;
    }

    CModelImporter importer;
    AnimationServices services;
    std::vector<std::string> errors;
    std::vector<std::string> boxes;
};

// What the animation window reads; an animation file added to the shown model, then
// changed on disk.
TEST_F(AnimationFiles, AnAddedClipFileShowsInTheOverviewAndIsReplacedWhenItChanges)
{
    const std::string path = kFbxDir + "huesitos.fbx";
    auto model = Import(path);
    ASSERT_NE(model, nullptr);
    AnimationOverview overview = DescribeAnimation(model.get());
    ASSERT_TRUE(overview.hasController);
    // The bind pose, then the file's one take as a clip of its own.
    const std::string take = " [" + TakeName(*model->scene, 0) + "]";
    EXPECT_EQ(overview.clipNames, (std::vector<std::string>{path + " [Bindpose]", path + take}));
    EXPECT_FLOAT_EQ(overview.clipLengthSeconds, 40.0f / 25.0f);
    ASSERT_EQ(overview.joints.size(), 1u);
    EXPECT_EQ(overview.joints[0].jointNames.front(), "Bone");
    // A well-formed file raises neither the bone limit nor the baked-key warnings.
    EXPECT_TRUE(errors.empty()) << errors.front();
    SetAnimationTime(*model, 0.4f);
    EXPECT_FLOAT_EQ(DescribeAnimation(model.get()).Progress(), 0.25f);
    // The clip repeats every 39 ticks: a second pass shows where in the loop it is.
    SetAnimationTime(*model, 0.4f + 39.0f / 25.0f);
    EXPECT_NEAR(DescribeAnimation(model.get()).Progress(), 0.25f, 1e-5f);
    EXPECT_TRUE(DescribeAnimation(model.get()).paused);
    EXPECT_FALSE(DescribeAnimation(nullptr).hasController);

    importer.shownModel = [&model](const auto& use) { use(model.get()); };
    ASSERT_TRUE(importer.ImportAnimationFile(path.c_str()));
    AnimationSet& set = FirstSet(*model);
    EXPECT_EQ(set.clipNames,
              (std::vector<std::string>{path + " [Bindpose]", path + take, path + take}));
    ActivateClip(*model, 1);
    AnimationController& controller = *set.FirstController();
    EXPECT_EQ(controller.currentClip, 2u);

    // One import for every clip of the file, off this thread, swapped in at the first
    // frame after it arrived.
    std::weak_ptr<const aiScene> added = controller.clips[2].scene;
    ReloadAnimationSet(set, path + " [Bindpose]");  // no clip file has that name
    const uint32_t imports = controller.importCount;
    EXPECT_EQ(imports, 1u);
    ReloadAnimationSet(set, path);
    // The model's node animation holds the file's clips too.
    ASSERT_NE(model->nodeAnimation, nullptr);
    ReloadAnimationSet(*model->nodeAnimation, path);
    WaitForClipReimports();
    AdvanceAnimationSet(*model->nodeAnimation, AdvanceOptions{});
    EXPECT_EQ(controller.importCount, imports + 1);
    controller.timeA = 1.0f;
    EXPECT_FALSE(added.expired());  // swapped at the next frame, not on the watcher's call
    AdvanceAnimationSet(set, AdvanceOptions{});
    EXPECT_TRUE(added.expired());
    EXPECT_EQ(controller.clips[0].scene, controller.clips[2].scene) << "one import for all";
    EXPECT_EQ(controller.currentClip, 2u);
    EXPECT_EQ(controller.timeA, 0.0f);  // the new clip starts from its beginning

    // A pending index beyond the clips is dropped.
    controller.pendingClips.push_back({7, ImportClipFile(path).scene});
    AdvanceAnimationSet(set, AdvanceOptions{});
    EXPECT_TRUE(controller.pendingClips.empty());
    EXPECT_EQ(controller.ClipCount(), 3u);

    // Everything the animation side imported goes with the model.
    std::weak_ptr<const aiScene> ownImport = controller.clips[0].scene;
    model.reset();
    EXPECT_TRUE(ownImport.expired());
}

// Only a camera that a channel is named after gives a clip, holding every channel. Built on
// the load thread but played on the window thread, the clip waits with its model until the
// scene accepts that model.
TEST_F(AnimationFiles, ACameraClipWaitsWithItsModelUntilTheSceneAcceptsIt)
{
    auto scene = modeltest::MakeScene({modeltest::MakeMesh(3)});
    scene->mRootNode->mName = aiString("Root");
    modeltest::AddNode(*modeltest::AddNode(*scene->mRootNode, "Cam_Translation"), "Cam_Rotation");
    modeltest::AddAnimation(*scene, {"Root", "Cam_Translation", "Cam_Rotation"}, 3, 25, 2);
    scene->mNumCameras = 1;
    scene->mCameras = new aiCamera* [1] { new aiCamera };
    scene->mCameras[0]->mName = aiString("Cam");
    EXPECT_EQ(BuildCameraClip(*scene), nullptr);
    scene->mCameras[0]->mName = aiString("Cam_Translation");
    auto root = std::make_unique<CModelNode>(&importer, "");
    importer.animationHooks.buildCameraClip(*root, modeltest::Borrow(*scene));
    ASSERT_NE(root->cameraClip, nullptr);
    CameraClip& clip = *root->cameraClip;
    EXPECT_EQ(clip.channels.size(), 3u);
    EXPECT_FLOAT_EQ(clip.duration, 2.0f);
    EXPECT_FLOAT_EQ(PlayCameraClip(clip, 1.5f, 1.0f).m[3][0], 3.0f);
    // Past the end the clip wraps; the cached key search starts again.
    EXPECT_FLOAT_EQ(PlayCameraClip(clip, 2.5f, 1.0f).m[3][0], 1.0f);
    EXPECT_FLOAT_EQ(PlayCameraClip(clip, 2.5f, 0.5f).m[3][0], 0.5f);

    CCamera camera;
    CScene& shown = *GetEngine()->scene;
    shown.camera = &camera;
    shown.model = std::move(root);
    EXPECT_EQ(camera.clip, nullptr);
    shown.modelChanged = true;
    ASSERT_TRUE(shown.FrameLoadedModel());
    EXPECT_EQ(camera.clip.get(), &clip);
    EXPECT_EQ(shown.model->cameraClip, nullptr);
    shown.camera = nullptr;

    clip.duration = 0.0f;  // nothing to wrap at: the first tick, and no division by zero
    const Matrix4 still = PlayCameraClip(clip, 7.0f, 1.0f);
    EXPECT_FLOAT_EQ(still.m[3][0], 0.0f);
    for (const auto& row : still.m)
        for (float value : row)
            EXPECT_TRUE(std::isfinite(value));
}

// The joint markers are fixed assets: their textures come from their own folders, never
// from the folder of the user's model.
TEST_F(AnimationFiles, JointMarkersTakeTexturesFromTheirOwnFolders)
{
    modeltest::FakeTextureSource fake;
    importer.textureSource = &fake.source;
    std::shared_ptr<SkeletonMarkers> markers = AcquireSkeletonMarkers(importer);
    ASSERT_TRUE(markers->arrow && markers->axis);
    ASSERT_FALSE(fake.records.empty());
    const auto folder = [](const char* asset) {
        return std::filesystem::path(platform::FindFixedAsset(asset)).parent_path();
    };
    for (const TextureHandle& record : fake.records)
        EXPECT_TRUE(record->name.parent_path() == folder("arrow/arrow.fbx") ||
                    record->name.parent_path() == folder("xyz/xyz.fbx"))
            << record->name;
}

// Loads run on threads of their own, and two may attach animation at once.
TEST_F(AnimationFiles, TwoSkinnedModelsLoadingAtOnceShareOneSetOfMarkers)
{
    AnimationServices quiet;  // nothing reported from two threads
    quiet.importer = &importer;
    importer.animationHooks = MakeAnimationHooks(quiet);
    std::unique_ptr<CModelNode> models[2];
    std::thread other([&] { models[1] = Import(kFbxDir + "animation_with_skeleton.fbx"); });
    models[0] = Import(kFbxDir + "huesitos.fbx");
    other.join();
    ASSERT_TRUE(models[0] && models[1]);
    ASSERT_NE(FirstSet(*models[0]).markers, nullptr);
    EXPECT_EQ(FirstSet(*models[0]).markers, FirstSet(*models[1]).markers);
}

TEST_F(AnimationFiles, AModelFileThatCannotBeOpenedSaysSoAndAddsNoClip)
{
    ModelImportContext context;
    context.boneCount = 1;
    CMeshObject meshObject;
    meshObject.context = &context;
    meshObject.meshData = std::make_shared<MeshData>();
    meshObject.meshData->hasBones = 1;
    meshObject.modelPath = "/nonexistent/model.fbx";
    AttachAnimation(meshObject, nullptr, meshObject.modelPath, "Root", nullptr, services);
    EXPECT_EQ(boxes, std::vector<std::string>{"ERROR: Couldn't open file: /nonexistent/model.fbx"});
    ASSERT_NE(meshObject.animationSet, nullptr);
    EXPECT_EQ(meshObject.animationSet->FirstController()->ClipCount(), 0u);
    EXPECT_FALSE(meshObject.animationSet->FirstController()->ComputePose());
}

}  // namespace
