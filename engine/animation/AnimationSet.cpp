#include "animation/AnimationSet.h"

#include <cmath>

#include "animation/AnimationMatrix.h"
#include "animation/ClipControl.h"
#include "animation/SkeletonMarkers.h"
#include "models/MeshObject.h"

namespace {

// The camera matrix must stay a rotation and a translation: the view is its rigid inverse.
// Joints inherit the scale of the nodes above them, so the axes are made unit length.
Matrix4 RigidCameraMatrix(const aiMatrix4x4& joint)
{
    Matrix4 m = ToEngineMatrix(joint);
    for (int row = 0; row < 3; ++row) {
        float* axis = m.m[row];
        const float length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
        if (length > 0.0f)
            for (int i = 0; i < 3; ++i)
                axis[i] /= length;
    }
    return m;
}

}  // namespace

AnimationSet::AnimationSet() = default;
AnimationSet::~AnimationSet() = default;

AnimationController* AnimationSet::ControllerFor(const aiMesh* mesh)
{
    auto found = controllers.find(mesh);
    return found == controllers.end() ? nullptr : found->second.get();
}

AnimationController* AnimationSet::FirstController()
{
    return controllers.empty() ? nullptr : controllers.begin()->second.get();
}

void AnimationSet::AddClipName(std::string name, std::string path, uint32_t animationIndex)
{
    ++clipCount;
    clipNames.push_back(std::move(name));
    clipSources.push_back({std::move(path), animationIndex});
}

void AddSceneTakes(AnimationSet& set, const ImportedScenePtr& scene, const std::string& path,
                   const std::string& nodeName, const AnimationReports& reports)
{
    const uint32_t takes = scene && scene->mAnimations ? scene->mNumAnimations : 0;
    for (uint32_t take = 0; take < takes; ++take) {
        for (auto& [key, controller] : set.controllers)
            controller->AddClip(scene, nodeName, reports, take);
        set.AddClipName(path + " [" + TakeName(*scene, take) + "]", path, take);
    }
}

void AttachAnimation(CMeshObject& meshObject, const ImportedScenePtr& scene,
                     const std::string& path, const std::string& nodeName, const aiMesh* mesh,
                     const AnimationServices& services)
{
    if (!meshObject.IsSkinned())
        return;
    if (!meshObject.animationSet) {
        auto set = std::make_shared<AnimationSet>();
        auto controller = std::make_unique<AnimationController>();
        AnimationController& created = *controller;
        set->controllers.emplace(mesh, std::move(controller));
        created.LoadFile(meshObject.modelPath, nodeName, mesh, services.reports,
                         ToLibraryMatrix(meshObject.nodeRestGlobal));
        set->AddClipName(meshObject.modelPath + " [Bindpose]", meshObject.modelPath, 0);
        // The model file's own takes, from the scene the controller imported for its bind
        // pose: one import serves them all.
        // (A copy of the scene pointer: adding clips moves the clip list.)
        if (const AnimationClip* bindPose = created.Clip(0); bindPose && bindPose->scene) {
            const ImportedScenePtr own = bindPose->scene;
            AddSceneTakes(*set, own, meshObject.modelPath, nodeName, services.reports);
        }
        if (services.importer)
            set->markers = AcquireSkeletonMarkers(*services.importer);
        meshObject.animationSet = std::move(set);
        return;
    }
    AddSceneTakes(*meshObject.animationSet, scene, path, nodeName, services.reports);
}

void ReloadAnimationSet(AnimationSet& set, const std::string& path)
{
    std::vector<uint32_t> indices;
    for (size_t index = 0; index < set.clipSources.size(); ++index)
        if (set.clipSources[index].path == path)
            indices.push_back(static_cast<uint32_t>(index));
    if (indices.empty())
        return;
    std::vector<ClipReloadTarget> targets;
    for (auto& [key, controller] : set.controllers)
        targets.push_back(controller->RequestReload(indices));
    ReimportClipFile(path, std::move(targets));
}

std::optional<Matrix4> AdvanceAnimationSet(AnimationSet& set, const AdvanceOptions& options)
{
    std::optional<Matrix4> camera;
    for (auto& [key, controller] : set.controllers) {
        if (options.followCameraJoint)
            if (std::optional<aiMatrix4x4> joint = controller->CameraJointTransform())
                camera = RigidCameraMatrix(*joint);
        if (options.animateSequence)
            StepSequence(*controller);
        controller->Advance(options.nowMs, options.speed, options.loop);
    }
    return camera;
}
