#include "ui/PanelRules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/Paths.h"

float UpdateShaderTimer(ShaderTimer& timer, ShaderTimerPanel& panel, float frameTime)
{
    if (!timer.running)
        return panel.currentTime;
    timer.time += frameTime;
    if (timer.time >= panel.endValue) {
        timer.time = panel.endValue;
        if (panel.loop)
            timer.time = 0.0f;
        else
            timer.running = false;
    }
    panel.currentTime = timer.time;
    return timer.time;
}

std::array<float, 4> UpdateLogFlash(InterfaceState& state, bool newMessages, bool newestIsInfo,
                                    float frameTime)
{
    constexpr float kAlpha = 180.0f / 255.0f;
    if (newMessages) {
        state.flashTime = 1.0f;
        state.flashIsInfo = newestIsInfo;
    }
    if (state.flashTime > 0.0f) {
        state.flashTime -= frameTime;
        state.flashPhase = std::fabs(std::cos(1.0f - state.flashTime));
    }
    if (state.flashTime < 0.0f) {
        state.flashPhase = 0.0f;
        state.flashTime = 0.0f;
    }
    if (state.flashTime <= 0.0f)
        return {0.0f, 0.0f, 0.0f, kAlpha};
    const float strength = QuantiseToByteSteps(state.flashPhase);
    return state.flashIsInfo ? std::array<float, 4>{0.0f, strength, 0.0f, kAlpha}
                             : std::array<float, 4>{strength, 0.0f, 0.0f, kAlpha};
}

int TruncateToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

float QuantiseToByteSteps(float component)
{
    return static_cast<float>(TruncateToInt(component * 255.0f)) / 255.0f;
}

std::array<std::string, 4> StatsLines(const float eye[3])
{
    static constexpr const char* kLabels[4] = {
        "Camera Pos X: ", "Camera Pos Y: ", "Camera Pos Z: ", "Length to  origo: "};
    const float length = std::sqrt(eye[0] * eye[0] + eye[1] * eye[1] + eye[2] * eye[2]);
    const float values[4] = {eye[0], eye[1], eye[2], length};
    std::array<std::string, 4> lines;
    for (int i = 0; i < 4; ++i) {
        // Large enough for any float printed with %f.
        char text[400];
        if (length > 10.0f)
            std::snprintf(text, sizeof(text), "%s%i", kLabels[i], TruncateToInt(values[i]));
        else
            std::snprintf(text, sizeof(text), "%s%f", kLabels[i], static_cast<double>(values[i]));
        lines[i] = text;
    }
    return lines;
}

SkyFileList SkyFiles(const std::vector<std::filesystem::path>& directories)
{
    SkyFileList list;
    for (const std::filesystem::path& directory : directories)
        for (std::string& name : SkyFileNames(directory)) {
            if (std::find(list.names.begin(), list.names.end(), name) != list.names.end())
                continue;
            list.paths.push_back(directory / name);
            list.names.push_back(std::move(name));
        }
    return list;
}

std::vector<std::string> SkyFileNames(const std::filesystem::path& directory)
{
    std::vector<std::string> names;
    for (const std::filesystem::path& file : platform::ListFiles(directory)) {
        std::string name = file.filename().string();
        const std::string extension = platform::FileExtension(name);
        if (extension == ".dds" || extension == ".hdr" || extension == ".exr")
            names.push_back(std::move(name));
    }
    return names;
}
