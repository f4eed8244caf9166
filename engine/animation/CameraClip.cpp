#include "animation/CameraClip.h"

#include <assimp/scene.h>

#include <cmath>
#include <cstring>

#include "animation/KeySampling.h"

namespace {

bool SameName(const aiString& a, const aiString& b)
{
    return a.length == b.length && std::memcmp(a.data, b.data, a.length) == 0;
}

template <typename Key>
float KeyTime(const Key& key)
{
    return static_cast<float>(key.time);
}

// Advances `index` to the last key not after `t` and returns the mixing factor towards the
// next key (the first one after the last, one duration later). A span that is not
// positive holds the key.
template <typename Key>
float SearchKeys(const std::vector<Key>& keys, uint32_t& index, float t, float duration)
{
    const uint32_t count = static_cast<uint32_t>(keys.size());
    if (index >= count)
        index = 0;  // a cache from a clip with more keys
    while (index + 1 < count && KeyTime(keys[index + 1]) <= t)
        ++index;
    const uint32_t next = index + 1 < count ? index + 1 : 0;
    float span = KeyTime(keys[next]) - KeyTime(keys[index]);
    if (span < 0.0f)
        span += duration;
    if (!(span > 0.0f))
        return 0.0f;
    const float factor = (t - KeyTime(keys[index])) / span;
    return factor < 0.0f ? 0.0f : (factor > 1.0f ? 1.0f : factor);
}

aiQuaternion ToQuaternion(const CameraClipRotationKey& key)
{
    return aiQuaternion(key.value[0], key.value[1], key.value[2], key.value[3]);
}

}  // namespace

std::unique_ptr<CameraClip> BuildCameraClip(const aiScene& scene)
{
    if (scene.mNumCameras == 0 || !scene.mCameras || !scene.mCameras[0] ||
        scene.mNumAnimations == 0 || !scene.mAnimations || !scene.mAnimations[0])
        return nullptr;
    const aiAnimation& animation = *scene.mAnimations[0];
    const aiString& cameraName = scene.mCameras[0]->mName;
    bool animatesCamera = false;
    for (unsigned c = 0; animation.mChannels && c < animation.mNumChannels; ++c)
        animatesCamera |=
            animation.mChannels[c] && SameName(animation.mChannels[c]->mNodeName, cameraName);
    if (!animatesCamera)
        return nullptr;

    auto clip = std::make_unique<CameraClip>();
    for (unsigned c = 0; c < animation.mNumChannels; ++c) {
        const aiNodeAnim* source = animation.mChannels[c];
        if (!source)
            continue;
        CameraClipChannel channel;
        channel.nodeName = source->mNodeName.C_Str();
        for (unsigned k = 0; source->mPositionKeys && k < source->mNumPositionKeys; ++k) {
            const aiVectorKey& key = source->mPositionKeys[k];
            channel.positions.push_back({key.mTime, {key.mValue.x, key.mValue.y, key.mValue.z}});
        }
        for (unsigned k = 0; source->mRotationKeys && k < source->mNumRotationKeys; ++k) {
            const aiQuatKey& key = source->mRotationKeys[k];
            channel.rotations.push_back(
                {key.mTime, {key.mValue.w, key.mValue.x, key.mValue.y, key.mValue.z}});
        }
        for (unsigned k = 0; source->mScalingKeys && k < source->mNumScalingKeys; ++k) {
            const aiVectorKey& key = source->mScalingKeys[k];
            channel.scalings.push_back({key.mTime, {key.mValue.x, key.mValue.y, key.mValue.z}});
        }
        clip->channels.push_back(std::move(channel));
    }
    clip->duration = static_cast<float>(animation.mDuration);
    if (!std::isfinite(clip->duration))
        clip->duration = 0.0f;
    clip->cache.resize(clip->channels.size());
    return clip;
}

Matrix4 PlayCameraClip(CameraClip& clip, float time, float scale)
{
    float t = 0.0f;
    if (clip.duration > 0.0f && std::isfinite(time)) {
        t = std::fmod(time, clip.duration);
        if (t < 0.0f)
            t += clip.duration;
    }
    clip.cache.resize(clip.channels.size());
    aiQuaternion rotation;
    aiVector3D translation;
    for (size_t c = 0; c < clip.channels.size(); ++c) {
        const CameraClipChannel& channel = clip.channels[c];
        CameraClipCache& cache = clip.cache[c];
        if (clip.lastTime > t)
            cache = {};  // the clip wrapped
        if (channel.nodeName.find("Translation") != std::string::npos &&
            !channel.positions.empty()) {
            const float f = SearchKeys(channel.positions, cache.position, t, clip.duration);
            const auto& a = channel.positions[cache.position].value;
            const auto& b =
                channel
                    .positions[cache.position + 1 < channel.positions.size() ? cache.position + 1
                                                                             : 0]
                    .value;
            translation = aiVector3D(a[0] + (b[0] - a[0]) * f, a[1] + (b[1] - a[1]) * f,
                                     a[2] + (b[2] - a[2]) * f);
        }
        if (channel.nodeName.find("Rotation") != std::string::npos && !channel.rotations.empty()) {
            const float f = SearchKeys(channel.rotations, cache.rotation, t, clip.duration);
            const size_t next =
                cache.rotation + 1 < channel.rotations.size() ? cache.rotation + 1 : 0;
            rotation = Slerp(ToQuaternion(channel.rotations[cache.rotation]),
                             ToQuaternion(channel.rotations[next]), f);
        }
    }
    clip.lastTime = t;
    // The rotation in row-vector layout is the transpose of the library's matrix.
    const aiMatrix3x3 r = rotation.GetMatrix();
    return {{{r.a1, r.b1, r.c1, 0.0f},
             {r.a2, r.b2, r.c2, 0.0f},
             {r.a3, r.b3, r.c3, 0.0f},
             {translation.x * scale, translation.y * scale, translation.z * scale, 1.0f}}};
}
