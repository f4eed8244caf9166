// Renders frames of models through the viewer's own engine, with no window shown.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "SnapOptions.h"

struct SnapImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // top row first
};

namespace tool {
class StartView;
struct ModelReport;
}  // namespace tool
class FrameSink;
class PhaseTimer;

// The engine started once on a hidden window; each Render then shows one model in place of
// the one before, so a batch of pictures pays for the start-up once.
class SnapSession {
   public:
    explicit SnapSession(const SnapOptions& options);
    ~SnapSession();

    // Starts the engine at the picture size with the options' sky. False with the reason.
    bool Start(std::string& error);

    // Frees the model before, loads `modelPath`, frames it at once and renders. On failure
    // returns false with the reason (the engine's own message when it has one).
    bool Render(const std::string& modelPath, SnapImage& image, std::string& error);

    // Loads `modelPath` as Render does and describes it at the options' clip time instead
    // of rendering it: one JSON object.
    bool Describe(const std::string& modelPath, std::string& json, std::string& error);

    // Renders a turntable or a clip of `modelPath` frame by frame into `sink`, with progress
    // on standard error. False with the reason.
    bool Capture(const std::string& modelPath, FrameSink& sink, std::string& error);

    // What the last model's load said that a user should know, though it was drawn: each
    // texture its materials name that is nowhere.
    const std::vector<std::string>& Warnings() const { return warnings; }

   private:
    // Frees the model before, loads `modelPath` and waits for it. False with the reason.
    bool Load(const std::string& modelPath, std::string& error);
    // One frame of the model as it stands, read back.
    bool Picture(SnapImage& image, std::string& error, PhaseTimer& timer);

    std::vector<std::string> warnings;
    SnapOptions options;
    std::unique_ptr<tool::StartView> startView;  // camera and clock as start-up left them
};

// The clip a capture plays: the first one, or the one of take `take` (the name in brackets,
// or its part after '|'); -1 when there is none.
int ClipIndex(const tool::ModelReport& report, const std::string& take);

// Starts the engine and renders one model: a session of one picture.
bool RenderSnapshot(const SnapOptions& options, const std::string& modelPath, SnapImage& image,
                    std::string& error);
