#include "animation/AnimationHooks.h"

#include "animation/AnimationQueries.h"
#include "animation/CameraClip.h"
#include "animation/NodeAnimation.h"
#include "models/ModelNode.h"

ModelAnimationHooks MakeAnimationHooks(const AnimationServices& services)
{
    ModelAnimationHooks hooks;
    hooks.attachAnimation = [services](CMeshObject& meshObject, const ImportedScenePtr& scene,
                                       const std::string& path, const std::string& nodeName,
                                       const aiMesh* mesh) {
        AttachAnimation(meshObject, scene, path, nodeName, mesh, services);
    };
    hooks.attachNodeAnimation = [services](CModelNode& root, const ImportedScenePtr& scene,
                                           const std::string& path, bool skeleton) {
        AttachNodeAnimation(root, scene, path, services, skeleton);
    };
    hooks.addActiveAnimation = [](CModelNode& root, int clip) { ActivateClip(root, clip); };
    // Built on the load thread, the clip waits with the model it came with; the scene hands
    // it to the camera when it accepts that model, on the window thread.
    hooks.buildCameraClip = [](CModelNode& root, const ImportedScenePtr& scene) {
        if (scene)
            if (std::shared_ptr<CameraClip> clip = BuildCameraClip(*scene))
                root.cameraClip = std::move(clip);
    };
    hooks.reloadAnimationSet = [](AnimationSet& set, const std::string& path) {
        ReloadAnimationSet(set, path);
    };
    return hooks;
}
