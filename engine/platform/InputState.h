#pragma once

#include <cstdint>

// What the host feeds: the mouse, the camera and light keys and the wheel total.
struct InputState {
    float mouseX = 0.0f;
    float mouseY = 0.0f;
    bool cameraKeys[4] = {};
    bool lightKeys[4] = {};
    int32_t wheel = 0;
    // The debug interface holds the pointer (it is over a panel, or a widget is being
    // dragged): the mouse buttons then move neither the camera nor the light.
    bool pointerHeldByInterface = false;
};
