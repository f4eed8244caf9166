// A camera animation taken from a model file: animation 0's channels copied out of the
// imported scene, played by the viewing camera in place of the mouse.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "math/Matrix4.h"

struct aiScene;

struct CameraClipKey3 {
    double time = 0.0;
    float value[3] = {0.0f, 0.0f, 0.0f};
};

struct CameraClipRotationKey {
    double time = 0.0;
    float value[4] = {1.0f, 0.0f, 0.0f, 0.0f};  // w, x, y, z
};

struct CameraClipChannel {
    std::string nodeName;
    std::vector<CameraClipKey3> positions;
    std::vector<CameraClipRotationKey> rotations;
    std::vector<CameraClipKey3> scalings;
};

// Where each channel's key search left off, so that playback moves forward from there.
struct CameraClipCache {
    uint32_t scaling = 0;
    uint32_t rotation = 0;
    uint32_t position = 0;
};

struct CameraClip {
    std::vector<CameraClipChannel> channels;
    uint64_t counter = 0;
    bool valid = true;
    float lastTime = 0.0f;  // the previous sample time
    float reserved = 0.0f;
    float duration = 0.0f;               // ticks
    std::vector<CameraClipCache> cache;  // one per channel
};

// The clip of animation 0 when it has a channel for camera 0; null otherwise.
std::unique_ptr<CameraClip> BuildCameraClip(const aiScene& scene);

// Samples the clip at `time` (wrapped into its duration; 0 without one). Channels named
// "...Translation..." move the camera, "...Rotation..." turn it; the translation is scaled
// by `scale`. Returns the camera-to-world matrix in the engine's layout.
Matrix4 PlayCameraClip(CameraClip& clip, float time, float scale);
