// The Shader Values and Shader Timer tabs: the custom values and textures that user
// shaders read, and the timer they animate with.
#include <imgui.h>

#include <cmath>

#include "api/Engine.h"
#include "scene/Scene.h"
#include "ui/PanelRules.h"
#include "ui/Panels.h"

namespace {

// The slider over the timer cannot span more than half the float range; nobody times a
// shader for 30 years.
constexpr float kLongestTimerEnd = 1.0e9f;

void DrawCustomTextureSlot(PanelContext& panel, int slot)
{
    TextLine(panel.state, "Custom texture %d", slot + 1);
    CScene* scene = panel.engine.scene.get();
    if (scene && scene->extraTextures[slot].texture)
        TexturePreview(panel.state, *scene->extraTextures[slot].texture, 64.0f);
    const std::string label = "Browse##" + std::to_string(slot + 1);
    const bool pressed = ImGui::Button(label.c_str());
    NoteItem(panel.state, label.c_str());
    if (!pressed || !scene)
        return;
    const std::string path = ChooseFile(panel);
    if (!path.empty())
        scene->AssignExtraTexture(path, slot);
}

}  // namespace

void DrawShaderValuesTab(PanelContext& panel)
{
    float* custom = panel.state.shaderValues.custom;
    static constexpr const char* kLabels[4] = {"Custom 1", "Custom 2", "Custom 3", "Custom 4"};
    for (int i = 0; i < 4; ++i) {
        ImGui::DragFloat(kLabels[i], &custom[i], 0.01f, 0.0f, 0.0f, "%.3f");
        NoteItem(panel.state, kLabels[i]);
    }
    for (int slot = 0; slot < 4; ++slot)
        DrawCustomTextureSlot(panel, slot);
}

float DrawShaderTimerTab(PanelContext& panel)
{
    ShaderTimerPanel& values = panel.state.timerPanel;
    ShaderTimer& timer = panel.state.shaderTimer;
    TextLine(panel.state, "End Value");
    ImGui::DragFloat("##End value", &values.endValue, 0.01f, 0.0f, 0.0f, "%.3f");
    NoteItem(panel.state, "##End value");
    if (!(values.endValue >= 0.0f))  // NaN included
        values.endValue = 0.0f;
    values.endValue = std::fmin(values.endValue, kLongestTimerEnd);

    ImGui::Checkbox("Loop", &values.loop);
    NoteItem(panel.state, "Loop");
    const char* toggle = timer.running ? "Pause" : "Start";
    if (ImGui::Button(toggle))
        timer.running = !timer.running;
    NoteItem(panel.state, toggle);
    ImGui::SameLine();
    if (ImGui::Button("Stop")) {
        timer.running = false;
        timer.time = 0.0f;
        values.currentTime = 0.0f;
    }
    NoteItem(panel.state, "Stop");
    if (ImGui::SliderFloat("Current Time", &values.currentTime, 0.0f, values.endValue)) {
        timer.running = false;
        timer.time = values.currentTime;
    }
    NoteItem(panel.state, "Current Time");
    return UpdateShaderTimer(timer, values, panel.engine.frameTime);
}
