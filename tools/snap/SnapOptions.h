// Command line of vornis-snap: MODEL... -o OUT.png|DIR/ [--size WxH|N] [--view NAME]
// [--sky FILE] [--no-sky] [--transparent] [--time SECONDS] [--skeleton]
// [--frame whole|largest] [--timings] [--], or --info MODEL... [--time SECONDS].
#pragma once

#include <optional>
#include <string>
#include <vector>

struct SnapOptions {
    std::vector<std::string> modelPaths;  // rendered in turn, one picture each
    std::string outputPath;               // the PNG, or with several models their folder
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
    bool printInfo = false;         // describe each model as JSON instead of rendering it
    // Captures of one model into a folder of numbered PNGs or a video (.mp4, .webm, .gif):
    int turntableFrames = 0;           // --turntable N: N frames of one turn of the camera
    bool captureClip = false;          // --clip [SECONDS]: the clip from its start
    std::optional<float> clipSeconds;  // none: the clip's own length
    std::string takeName;              // --take NAME: that take's clip instead of the first
    int fps = 30;
};

bool IsCapture(const SnapOptions& options);

// Parses the arguments after the program name; on failure returns nothing and sets `error`.
std::optional<SnapOptions> ParseSnapOptions(const std::vector<std::string>& args,
                                            std::string& error);

// Whether pictures go into the folder `outputPath` names, each named after its model: with
// several models, or when the name ends in '/' or names an existing folder.
bool WritesIntoFolder(const SnapOptions& options);

// The picture of `modelPath`: the output itself, or in folder mode its folder's
// "<model file name without extension>.png".
std::string PicturePath(const SnapOptions& options, const std::string& modelPath);

// "albedo", "roughness", ... or a display name itself; empty when unknown.
std::string ViewDisplayName(const std::string& name);

extern const char* const kSnapUsage;
