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

void AttachAnimation(CMeshObject& meshObject, const ImportedScenePtr& scene,
                     const std::string& path, const std::string& nodeName, const aiMesh* mesh,
                     const AnimationServices& services)
{
    if (!meshObject.animationSet) {
        auto set = std::make_shared<AnimationSet>();
        auto controller = std::make_unique<AnimationController>();
        AnimationController& created = *controller;
        set->controllers.emplace(mesh, std::move(controller));
        created.LoadFile(meshObject.modelPath, nodeName, mesh, services.reports);
        ++set->clipCount;
        set->clipNames.push_back(meshObject.modelPath + " [Bindpose]");
        if (services.importer)
            set->markers = AcquireSkeletonMarkers(*services.importer);
        meshObject.animationSet = std::move(set);
        return;
    }
    AnimationSet& set = *meshObject.animationSet;
    for (auto& [key, controller] : set.controllers)
        controller->AddClip(scene, nodeName, services.reports);
    ++set.clipCount;
    set.clipNames.push_back(path);
}

void ReloadAnimationSet(AnimationSet& set, const std::string& path)
{
    for (size_t index = 0; index < set.clipNames.size(); ++index) {
        if (set.clipNames[index] != path)
            continue;
        for (auto& [key, controller] : set.controllers)
            controller->Reload(path, static_cast<uint32_t>(index));
        return;
    }
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
        controller->Advance(options.nowMs);
    }
    return camera;
}
