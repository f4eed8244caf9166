// Command line of vornis-snap: MODEL -o OUT.png [--size WxH|N] [--view NAME] [--sky FILE]
// [--no-sky] [--transparent] [--time SECONDS] [--skeleton] [--frame whole|largest]
// [--timings] [--].
#pragma once

#include <optional>
#include <string>
#include <vector>

struct SnapOptions {
    std::string modelPath;
    std::string outputPath;
    int width = 800;
    int height = 600;
    std::string viewName = "PBL Default";  // a pixel-shader display name
    std::string skyPath;                   // empty: the first sky beside the program
    bool showSky = true;
    bool transparent = false;       // no sky, and what the model leaves uncovered is transparent
    std::optional<float> clipTime;  // seconds into the animation; none: its start
    bool showSkeleton = false;      // joints drawn through the model
    bool printTimings = false;      // phase durations to standard error
    bool frameWholeModel = true;    // false: frame the largest mesh, as the viewer does
};

// Parses the arguments after the program name; on failure returns nothing and sets `error`.
std::optional<SnapOptions> ParseSnapOptions(const std::vector<std::string>& args,
                                            std::string& error);

// "albedo", "roughness", ... or a display name itself; empty when unknown.
std::string ViewDisplayName(const std::string& name);

extern const char* const kSnapUsage;
