// Renders one frame of a model through the viewer's own engine, with no window shown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "SnapOptions.h"

struct SnapImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // top row first
};

// Starts the engine on a hidden window, loads the model, frames it at once and renders.
// On failure returns false with the reason (the engine's own message when it has one).
bool RenderSnapshot(const SnapOptions& options, SnapImage& image, std::string& error);
