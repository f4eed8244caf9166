// The rules behind the panels that need no interface library: the shader timer, the LOG
// window's title pulse, colour quantising, the Stats lines and the sky-file list.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "ui/InterfaceState.h"

// Advances the shader timer by one frame and returns the value the shaders' timer constant
// takes. Stopped, the constant follows the panel's current time; running, the time grows
// until the end value, where it wraps to 0 with "Loop" on and stops otherwise.
float UpdateShaderTimer(ShaderTimer& timer, ShaderTimerPanel& panel, float frameTime);

// Title colour (red, green, blue, alpha) of the LOG window for this frame. A change in the
// number of messages starts a one-second pulse in green (newest message information) or
// red (error) that fades from full strength.
std::array<float, 4> UpdateLogFlash(InterfaceState& state, bool newMessages, bool newestIsInfo,
                                    float frameTime);

// A float converted to int the way the panels show numbers: truncated, with values beyond
// the int range clamped and NaN shown as 0.
int TruncateToInt(double value);

// A colour component in whole steps of 1/255, truncated.
float QuantiseToByteSteps(float component);

// The four lines of the Stats tab for a camera at `eye`: whole numbers once the eye is more
// than 10 units from the origin, fractions closer in.
std::array<std::string, 4> StatsLines(const float eye[3]);

// The skies offered by the Display tab: files of `directory` whose extension is exactly
// ".dds" (cube maps), ".hdr" or ".exr" (panoramas), in directory order. A missing or unreadable
// directory offers none.
std::vector<std::string> SkyFileNames(const std::filesystem::path& directory);

// The same over several folders in lookup order (the program's data folders): each name
// once, from the first folder that holds it, with the file it stands for.
struct SkyFileList {
    std::vector<std::string> names;
    std::vector<std::filesystem::path> paths;
};
SkyFileList SkyFiles(const std::vector<std::filesystem::path>& directories);
