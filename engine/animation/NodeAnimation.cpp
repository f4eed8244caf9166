#include "animation/NodeAnimation.h"

#include <assimp/scene.h>

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "animation/AnimationMatrix.h"
#include "animation/ClipPose.h"
#include "animation/SkeletonMarkers.h"
#include "models/ModelNode.h"

namespace {

std::string_view NameOf(const aiString& name)
{
    return std::string_view(name.data, std::min<size_t>(name.length, MAXLEN - 1));
}

NodeChannels BindNodeChannels(const AnimationClip& clip, const SceneNodes& nodes)
{
    NodeChannels bound;
    bound.animation = clip.animation;
    bound.channels.assign(nodes.Size(), nullptr);
    if (!clip.animation || !clip.animation->mChannels)
        return bound;
    // The first channel of each node name, as the skeleton's binding takes it.
    std::unordered_map<std::string_view, const aiNodeAnim*> byName;
    for (unsigned c = 0; c < clip.animation->mNumChannels; ++c)
        if (const aiNodeAnim* channel = clip.animation->mChannels[c])
            byName.emplace(NameOf(channel->mNodeName), channel);
    for (size_t i = 0; i < nodes.Size(); ++i)
        if (nodes.nodes[i])
            if (auto found = byName.find(NameOf(nodes.nodes[i]->mName)); found != byName.end())
                bound.channels[i] = found->second;
    return bound;
}

// The bindings of every clip, rebuilt for a clip whose take changed (added, reloaded).
void BindClips(AnimationSet& set, const AnimationController& controller, const SceneNodes& nodes)
{
    set.nodeChannels.resize(controller.clips.size());
    for (size_t i = 0; i < controller.clips.size(); ++i) {
        NodeChannels& bound = set.nodeChannels[i];
        if (bound.animation != controller.clips[i].animation ||
            bound.channels.size() != nodes.Size())
            bound = BindNodeChannels(controller.clips[i], nodes);
    }
    if (set.restParts.size() != nodes.Size()) {
        set.restParts.assign(nodes.Size(), NodeTransform{});
        for (size_t i = 0; i < nodes.Size(); ++i)
            if (nodes.nodes[i]) {
                NodeTransform& rest = set.restParts[i];
                nodes.nodes[i]->mTransformation.Decompose(rest.scaling, rest.rotation,
                                                          rest.translation);
            }
    }
}

// Every animated node of `scene` and everything below it, but the root, becomes a bone: the
// skeleton of a file that holds no mesh.
void MakeSkeletonBones(AnimationController& controller, const aiScene& scene)
{
    std::unordered_map<std::string_view, bool> animated;
    for (unsigned a = 0; scene.mAnimations && a < scene.mNumAnimations; ++a) {
        const aiAnimation* animation = scene.mAnimations[a];
        for (unsigned c = 0; animation && animation->mChannels && c < animation->mNumChannels; ++c)
            if (animation->mChannels[c])
                animated.emplace(NameOf(animation->mChannels[c]->mNodeName), true);
    }
    struct Entry {
        const aiNode* node;
        bool below;  // under an animated node
    };
    std::vector<Entry> stack;
    if (scene.mRootNode)
        stack.push_back({scene.mRootNode, false});
    while (!stack.empty() && controller.bones.size() < kMaxSkeletonBones) {
        const Entry entry = stack.back();
        stack.pop_back();
        const bool isRoot = entry.node == scene.mRootNode;
        const bool bone = !isRoot && (entry.below || animated.contains(NameOf(entry.node->mName)));
        if (bone && controller.boneMap
                        .emplace(std::string(NameOf(entry.node->mName)),
                                 static_cast<uint32_t>(controller.bones.size()))
                        .second)
            controller.bones.emplace_back();
        for (unsigned c = entry.node->mChildren ? entry.node->mNumChildren : 0; c-- > 0;)
            if (entry.node->mChildren[c])
                stack.push_back({entry.node->mChildren[c], bone});
    }
}

bool HasSkinnedSets(const CModelNode& root)
{
    std::vector<CMeshObject*> meshObjects;
    root.CollectMeshObjects(meshObjects);
    return std::ranges::any_of(meshObjects, [&](const CMeshObject* m) {
        return m->animationSet && m->animationSet != root.nodeAnimation;
    });
}

}  // namespace

void AttachNodeAnimation(CModelNode& root, const ImportedScenePtr& scene, const std::string& path,
                         const AnimationServices& services, bool skeleton)
{
    if (!root.importContext || !root.importContext->scene)
        return;
    const ImportedScenePtr& own = root.importContext->scene;
    const std::string& modelPath = root.importContext->path;
    // A model with skinned meshes has their controllers report about its clips already.
    const AnimationReports reports = HasSkinnedSets(root) ? AnimationReports{} : services.reports;
    if (!root.nodeAnimation) {
        auto set = std::make_shared<AnimationSet>();
        auto controller = std::make_unique<AnimationController>();
        AnimationController& created = *controller;
        created.name = modelPath;
        if (skeleton)
            MakeSkeletonBones(created, *own);
        created.AddCameraJointNodes(*own);
        created.clips.push_back(BindClip(own, created.boneMap, 0));
        set->controllers.emplace(nullptr, std::move(controller));
        set->AddClipName(modelPath + " [Bindpose]", modelPath, 0);
        AddSceneTakes(*set, own, modelPath, "Root", reports);
        if (skeleton && services.importer)
            set->markers = AcquireSkeletonMarkers(*services.importer);
        root.nodeAnimation = std::move(set);
    }
    if (scene && scene != own)
        AddSceneTakes(*root.nodeAnimation, scene, path, "Root", reports);
}

void PoseModelNodes(CModelNode& root)
{
    SceneNodes* nodes = root.Nodes();
    AnimationSet* set = root.nodeAnimation.get();
    AnimationController* controller = set ? set->FirstController() : nullptr;
    if (!nodes || !controller)
        return;
    controller->blend = root.nodeAnimationBlend;
    // Joints of a skeleton shown without mesh, and camera joints.
    controller->ComputePose();
    const AnimationClip* current = controller->CurrentClip();
    if (controller->previousClip < 0 || !current || !current->IsPlayable()) {
        nodes->globals = nodes->restGlobals;
        return;
    }
    BindClips(*set, *controller, *nodes);
    const AnimationClip* previous = controller->Clip(controller->previousClip);
    const float blend = std::min(controller->blend, 1.0f);
    const bool blending = blend > 0.0f && previous && previous->IsPlayable();
    const NodeChannels& currentChannels = set->nodeChannels[controller->currentClip];
    const NodeChannels* previousChannels =
        blending ? &set->nodeChannels[static_cast<size_t>(controller->previousClip)] : nullptr;
    // While blending the previous clip plays at time A and the current at time B.
    const float currentTicks =
        ClipTickTime(*current, blending ? controller->timeB : controller->timeA);
    const float previousTicks = blending ? ClipTickTime(*previous, controller->timeA) : 0.0f;

    std::vector<Matrix4>& locals = set->nodeLocals;
    locals = nodes->restLocals;
    for (size_t i = 0; i < nodes->Size(); ++i) {
        const aiNodeAnim* b = currentChannels.channels[i];
        const aiNodeAnim* a = previousChannels ? previousChannels->channels[i] : nullptr;
        if (!a && !b)
            continue;
        const NodeTransform& rest = set->restParts[i];
        NodeTransform t = b ? SampleChannel(*b, rest, currentTicks, currentTicks) : rest;
        if (blending)
            t = MixTransforms(a ? SampleChannel(*a, rest, previousTicks, previousTicks) : rest, t,
                              blend);
        const aiMatrix4x4 local = Compose(t);
        if (IsFinite(local))
            locals[i] = ToEngineMatrix(local);
    }
    nodes->ComposeGlobals(locals);
}

std::optional<Matrix4> AdvanceModelNodes(CModelNode& root, const AdvanceOptions& options)
{
    if (!root.nodeAnimation)
        return std::nullopt;
    std::optional<Matrix4> camera = AdvanceAnimationSet(*root.nodeAnimation, options);
    PoseModelNodes(root);
    return camera;
}
