// The engine exports the host uses, gathered so that the host's event and input rules can
// be exercised against a recording stand-in instead of the real engine.
#pragma once

#include <cstdint>
#include <functional>

namespace host {

struct EngineCalls {
    std::function<int64_t(int window, unsigned message, uint64_t wParam, int64_t lParam)>
        sendProcToNative;
    std::function<void(int width, int height)> resizeEngine;
    std::function<void(const char* path)> loadModel;
    std::function<void(const char16_t* path)> askEngineAboutImage;
    std::function<void(int x, int y)> feedMousePos;
    std::function<void(int steps)> feedMouseScroll;
    std::function<void(bool, bool, bool, bool)> feedCameraControl;
    std::function<void(bool, bool, bool, bool)> feedLightControl;
    std::function<void()> focusOnObject;
    std::function<void()> present;
    // Test hooks only (TestHooks.h).
    std::function<bool()> isModelLoaded;
    std::function<void(int width, int height)> takeScreenshot;
};

}  // namespace host
