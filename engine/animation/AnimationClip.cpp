#include "animation/AnimationClip.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <unordered_map>

namespace {

constexpr float kDefaultTickRate = 25.0f;

std::string_view NameOf(const aiString& name)
{
    return std::string_view(name.data, std::min<size_t>(name.length, MAXLEN - 1));
}

const aiAnimation* AnimationAt(const aiScene& scene, uint32_t index)
{
    return index < scene.mNumAnimations && scene.mAnimations ? scene.mAnimations[index] : nullptr;
}

using ChannelIndex = std::unordered_map<std::string_view, const aiNodeAnim*>;

// The first channel of each node name, as a search from the front would find it.
ChannelIndex IndexChannels(const aiAnimation* animation)
{
    ChannelIndex channels;
    if (!animation || !animation->mChannels)
        return channels;
    for (unsigned c = 0; c < animation->mNumChannels; ++c) {
        const aiNodeAnim* channel = animation->mChannels[c];
        if (channel)
            channels.emplace(NameOf(channel->mNodeName), channel);
    }
    return channels;
}

unsigned KeysOf(const aiNodeAnim& channel)
{
    return std::max({channel.mPositionKeys ? channel.mNumPositionKeys : 0u,
                     channel.mRotationKeys ? channel.mNumRotationKeys : 0u,
                     channel.mScalingKeys ? channel.mNumScalingKeys : 0u});
}

// Visits the scene's nodes breadth first, with each node's parent index and depth.
template <typename Visit>
void WalkBreadthFirst(const aiNode* root, Visit visit)
{
    struct Entry {
        const aiNode* node;
        int32_t parent;
        int32_t depth;
    };
    std::vector<Entry> queue;
    if (root)
        queue.push_back({root, -1, 2});
    for (size_t i = 0; i < queue.size(); ++i) {
        const Entry entry = queue[i];
        const uint32_t firstChild = static_cast<uint32_t>(queue.size());
        uint32_t childCount = 0;
        for (unsigned c = 0; entry.node->mChildren && c < entry.node->mNumChildren; ++c) {
            if (!entry.node->mChildren[c])
                continue;
            queue.push_back({entry.node->mChildren[c], static_cast<int32_t>(i), entry.depth - 1});
            ++childCount;
        }
        visit(*entry.node, entry.parent, entry.depth, firstChild, childCount);
    }
}

}  // namespace

std::string TakeName(const aiScene& scene, uint32_t animationIndex)
{
    const aiAnimation* animation = AnimationAt(scene, animationIndex);
    if (animation && animation->mName.length > 0)
        return std::string(NameOf(animation->mName));
    return "take " + std::to_string(animationIndex + 1);
}

AnimationClip BindClip(ImportedScenePtr scene, const std::map<std::string, uint32_t>& boneMap,
                       uint32_t animationIndex)
{
    AnimationClip clip;
    clip.scene = std::move(scene);
    clip.animationIndex = animationIndex;
    if (!clip.scene)
        return clip;
    clip.animation = AnimationAt(*clip.scene, animationIndex);
    if (clip.animation && clip.animation->mTicksPerSecond > 0.0 &&
        std::isfinite(clip.animation->mTicksPerSecond))
        clip.tickRate = static_cast<float>(clip.animation->mTicksPerSecond);
    const ChannelIndex channels = IndexChannels(clip.animation);
    WalkBreadthFirst(clip.scene->mRootNode, [&](const aiNode& node, int32_t parent, int32_t depth,
                                                uint32_t firstChild, uint32_t childCount) {
        ClipNode entry;
        entry.node = &node;
        entry.parent = parent;
        entry.depth = depth;
        entry.firstChild = firstChild;
        entry.childCount = childCount;
        const std::string_view name = NameOf(node.mName);
        if (auto found = channels.find(name); found != channels.end()) {
            entry.channel = found->second;
            node.mTransformation.Decompose(entry.restScaling, entry.restRotation,
                                           entry.restPosition);
            clip.keyCount = std::max(clip.keyCount, KeysOf(*entry.channel));
        }
        if (auto bone = boneMap.find(std::string(name)); bone != boneMap.end())
            entry.bone = static_cast<int32_t>(bone->second);
        clip.nodes.push_back(entry);
    });
    return clip;
}

float ClipTickTime(const AnimationClip& clip, float seconds)
{
    if (clip.keyCount < 2 || !std::isfinite(seconds))
        return 0.0f;
    const float ticks = std::fmod(clip.tickRate * seconds, static_cast<float>(clip.keyCount - 1));
    return ticks < 0.0f ? 0.0f : ticks;
}

float ClipLengthSeconds(const AnimationClip& clip)
{
    return static_cast<float>(clip.keyCount) / clip.tickRate;
}

float ClipLoopSeconds(const AnimationClip& clip)
{
    return clip.keyCount > 1 ? static_cast<float>(clip.keyCount - 1) / clip.tickRate : 0.0f;
}

bool KeysEndBeforeLastTick(const AnimationClip& clip)
{
    if (clip.keyCount < 2)
        return false;
    const double lastTick = static_cast<double>(clip.keyCount - 1);
    for (const ClipNode& node : clip.nodes) {
        const aiNodeAnim* channel = node.channel;
        if (channel && channel->mPositionKeys && channel->mNumPositionKeys > 1 &&
            channel->mPositionKeys[channel->mNumPositionKeys - 1].mTime < lastTick)
            return true;
    }
    return false;
}
