#include "animation/KeySampling.h"

#include <cmath>

template <typename Key>
KeySpan FindKeySpan(const Key* keys, unsigned count, float ticks)
{
    // The first key after `ticks`, searched by halving: long clips have thousands of keys
    // per channel and every bone samples three channels a frame.
    unsigned low = 1, high = count;
    while (low < high) {
        const unsigned middle = low + (high - low) / 2;
        if (static_cast<float>(keys[middle].mTime) > ticks)
            high = middle;
        else
            low = middle + 1;
    }
    KeySpan span;
    if (low >= count) {
        span.index = count - 1;
        span.pastEnd = true;
        return span;
    }
    span.index = low - 1;
    const float start = static_cast<float>(keys[low - 1].mTime);
    const float length = static_cast<float>(keys[low].mTime) - start;
    if (length > 0.0f) {
        const float factor = (ticks - start) / length;
        span.factor = factor < 0.0f ? 0.0f : (factor > 1.0f ? 1.0f : factor);
    }
    return span;
}

template KeySpan FindKeySpan<aiVectorKey>(const aiVectorKey*, unsigned, float);
template KeySpan FindKeySpan<aiQuatKey>(const aiQuatKey*, unsigned, float);

VectorSample SampleVectorKeys(const aiVectorKey* keys, unsigned count, float ticks)
{
    if (!keys || count == 0)
        return {};
    if (count == 1)
        return {keys[0].mValue, false};
    const KeySpan span = FindKeySpan(keys, count, ticks);
    if (span.pastEnd)
        return {keys[span.index].mValue, true};
    const aiVector3D& a = keys[span.index].mValue;
    const aiVector3D& b = keys[span.index + 1].mValue;
    return {a * (1.0f - span.factor) + b * span.factor, false};
}

RotationSample SampleRotationKeys(const aiQuatKey* keys, unsigned count, float ticks)
{
    if (!keys || count == 0)
        return {};
    if (count == 1)
        return {keys[0].mValue, false};
    const KeySpan span = FindKeySpan(keys, count, ticks);
    if (span.pastEnd)
        return {keys[span.index].mValue, true};
    aiQuaternion q = Slerp(keys[span.index].mValue, keys[span.index + 1].mValue, span.factor);
    const float length = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
    if (length > 0.0f) {
        q.w /= length;
        q.x /= length;
        q.y /= length;
        q.z /= length;
    }
    return {q, false};
}

aiQuaternion Slerp(const aiQuaternion& q1, const aiQuaternion& q2In, float factor)
{
    aiQuaternion q2 = q2In;
    float cosine = q1.w * q2.w + q1.x * q2.x + q1.y * q2.y + q1.z * q2.z;
    if (cosine < 0.0f) {
        cosine = -cosine;
        q2 = aiQuaternion(-q2.w, -q2.x, -q2.y, -q2.z);
    }
    float weight1 = 1.0f - factor;
    float weight2 = factor;
    if (1.0f - cosine > 0.0001f) {
        const float angle = std::acos(cosine);
        const float sine = std::sin(angle);
        weight1 = std::sin((1.0f - factor) * angle) / sine;
        weight2 = std::sin(factor * angle) / sine;
    }
    return aiQuaternion(weight1 * q1.w + weight2 * q2.w, weight1 * q1.x + weight2 * q2.x,
                        weight1 * q1.y + weight2 * q2.y, weight1 * q1.z + weight2 * q2.z);
}
