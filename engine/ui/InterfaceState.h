// What the debug interface keeps from frame to frame: the fields other parts of the engine
// write (a dropped image waiting for its question, whether the model is animated) and the
// values of its panels, which start with the program and are never reset.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "graphics/gpu/GpuForward.h"
#include "scene/MessageLog.h"
#include "textures/DroppedImageQuestion.h"
#include "ui/SceneWindowState.h"
#include "ui/UvLayoutState.h"

struct InterfaceBackend;

struct ShaderTimer {
    float time = 0.0f;  // seconds
    bool running = false;
};

struct AnimationPlayback {
    float time = 0.0f;  // 0 to 1
    bool playing = false;
};

struct AnimationPanel {
    bool xRayJoints = false;
    int firstClip = 0;
    int secondClip = 0;
    float blend = 0.0f;  // 0 to 1
    bool attachCamera = false;
    bool animateSequence = false;
};

struct LightPanel {
    float colour[3] = {1.0f, 1.0f, 1.0f};
    float intensity = 1.0f;
};

struct ShaderValuesPanel {
    float custom[4] = {1.0f, 1.0f, 1.0f, 1.0f};
};

struct ShaderTimerPanel {
    float endValue = 1.0f;
    bool loop = false;
    float currentTime = 0.0f;
};

struct ModelSettingsPanel {
    int handedness = 0;  // 0 left, 1 right
    int textureSet = 0;  // 0 to 3
};

struct DisplayPanel {
    bool gridOn = true;
    float cubeColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float skyRotation = 0.0f;  // degrees
    int skyFileIndex = 0;
    int mipLevel = 0;
    int fieldOfView = 90;
    float nearPlane = 0.1f;
    float farPlane = 10000.0f;
    // Set once the fields' planes reached the camera: from then on they show the camera's.
    bool planesApplied = false;
};

struct ModelDebugPanel {
    int renderMode = 0;  // index into ShaderViewNames
};

struct ShaderFilePanel {
    int chosenIndex = 0;
    char entryName[128] = "MainPixelShader";
};

// The log as the LOG window has copied it so far, split into display lines; only the
// messages after the first `messagesSeen` are fetched each frame.
struct LogView {
    size_t messagesSeen = 0;
    std::vector<CMessageLog::Entry> lines;
};

// One widget as it was drawn: its label (or the text of a text line) and its rectangle in
// window pixels. Tests read these to find what to click.
struct DrawnWidget {
    std::string label;
    float x0 = 0.0f;
    float y0 = 0.0f;
    float x1 = 0.0f;
    float y1 = 0.0f;
    float CentreX() const { return (x0 + x1) * 0.5f; }
    float CentreY() const { return (y0 + y1) * 0.5f; }
};

struct InterfaceState {
    InterfaceState();
    ~InterfaceState();
    InterfaceState(const InterfaceState&) = delete;
    InterfaceState& operator=(const InterfaceState&) = delete;

    ShaderTimer shaderTimer;
    AnimationPlayback animationPlayback;
    float flashPhase = 0.0f;  // title-bar pulse of the LOG window
    float flashTime = 0.0f;   // seconds of pulse left; 0 when quiet
    bool flashIsInfo = false;
    // The dropped image: its path (empty when no question waits), whether the popup should
    // open, and whether to recommend "As Cubemap".
    DroppedImageQuestion droppedImage;
    bool modelIsAnimated = false;
    bool extendedInfoOpen = false;

    LightPanel light;
    ShaderValuesPanel shaderValues;
    ShaderTimerPanel timerPanel;
    ModelSettingsPanel modelSettings;
    DisplayPanel display;
    ModelDebugPanel modelDebug;
    ShaderFilePanel shaderFile;
    AnimationPanel animation;
    SceneWindowPanel sceneWindow;
    UvLayoutPanel uvLayout;
    LogView log;
    bool fileDialogMissingReported = false;
    // The folders the Display tab's sky list and the Shader file tab's list read, in lookup
    // order: the program's data folders, the user's shader folder first in an installed tree.
    std::vector<std::filesystem::path> skyDirectories;
    std::vector<std::filesystem::path> shaderDirectories;

    // Not drawn at all while set; timing tools compare frames with and without it.
    bool hidden = false;

    // Interface library and input bookkeeping; absent until the interface has started.
    std::unique_ptr<InterfaceBackend> backend;

    // Tests only: when set, every widget drawn is appended here.
    std::vector<DrawnWidget>* drawnWidgets = nullptr;
};
