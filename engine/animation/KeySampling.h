// Sampling one channel of a clip at a time in ticks, and the quaternion interpolation that
// poses and camera clips use. Plain functions over the import library's key records.
#pragma once

#include <assimp/anim.h>

struct VectorSample {
    aiVector3D value;
    bool pastEnd = false;  // the time lies after the last key: the last value is held
};

struct RotationSample {
    aiQuaternion value;
    bool pastEnd = false;
};

// Keys are taken to be in time order, as the library delivers them. One key gives its value
// (never past the end); between two keys the values are mixed linearly. A time before the
// first key holds the first value, and two keys at the same time give the earlier one:
// nothing here divides by a zero span. No keys give the zero vector.
VectorSample SampleVectorKeys(const aiVectorKey* keys, unsigned count, float ticks);

// As above with spherical interpolation, normalised unless the result has length 0. No
// keys give the identity rotation.
RotationSample SampleRotationKeys(const aiQuatKey* keys, unsigned count, float ticks);

// Spherical interpolation from q1 (factor 0) to q2 (factor 1) along the shorter arc; close
// rotations are mixed linearly.
aiQuaternion Slerp(const aiQuaternion& q1, const aiQuaternion& q2, float factor);

// The index i of the key pair (i, i + 1) that encloses `ticks`, with its mixing factor in
// [0, 1]; `pastEnd` when no key lies after `ticks`. Requires count >= 2.
struct KeySpan {
    unsigned index = 0;
    float factor = 0.0f;
    bool pastEnd = false;
};
template <typename Key>
KeySpan FindKeySpan(const Key* keys, unsigned count, float ticks);
