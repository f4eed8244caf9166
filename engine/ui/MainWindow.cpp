// The main window "Menu": one tab bar, two of whose tabs hold tab bars of their own.
#include <imgui.h>

#include <cfloat>

#include "api/Engine.h"
#include "ui/PanelRules.h"
#include "ui/Panels.h"

namespace {

constexpr const char* kMenuTabs[] = {"Model", "Display", "Light Settings", "Shader Settings",
                                     "Stats"};

// An auto-resizing window follows its content, not its tab bar: without a minimum width the
// tab labels would be cut whenever the shown tab is narrow.
float WidthOfAllTabs()
{
    const ImGuiStyle& style = ImGui::GetStyle();
    float width = style.WindowPadding.x * 2.0f;
    for (const char* label : kMenuTabs)
        width +=
            ImGui::CalcTextSize(label).x + style.FramePadding.x * 2.0f + style.ItemInnerSpacing.x;
    return width;
}

bool BeginTab(InterfaceState& state, const char* label)
{
    const bool open = ImGui::BeginTabItem(label);
    NoteItem(state, label);
    return open;
}

void DrawModelTabs(PanelContext& panel)
{
    if (!ImGui::BeginTabBar("Model tabs"))
        return;
    if (BeginTab(panel.state, "Model Debug")) {
        DrawModelDebugTab(panel);
        ImGui::EndTabItem();
    }
    if (BeginTab(panel.state, "Model Settings")) {
        DrawModelSettingsTab(panel);
        ImGui::EndTabItem();
    }
    ImGui::EndTabBar();
}

// Returns whether the Shader Timer tab was drawn, and then the timer's value.
bool DrawShaderTabs(PanelContext& panel, float& timerValue)
{
    if (!ImGui::BeginTabBar("Shader tabs"))
        return false;
    bool timerDrawn = false;
    if (BeginTab(panel.state, "Shader file")) {
        DrawShaderFileTab(panel);
        ImGui::EndTabItem();
    }
    if (BeginTab(panel.state, "Shader Values")) {
        DrawShaderValuesTab(panel);
        ImGui::EndTabItem();
    }
    if (BeginTab(panel.state, "Shader Timer")) {
        timerValue = DrawShaderTimerTab(panel);
        timerDrawn = true;
        ImGui::EndTabItem();
    }
    ImGui::EndTabBar();
    return timerDrawn;
}

}  // namespace

float DrawMainWindow(PanelContext& panel)
{
    float timerValue = 0.0f;
    bool timerDrawn = false;
    ImGui::SetNextWindowSizeConstraints(ImVec2(WidthOfAllTabs(), 0.0f), ImVec2(FLT_MAX, FLT_MAX));
    if (ImGui::Begin("Menu", nullptr, ImGuiWindowFlags_AlwaysAutoResize) &&
        ImGui::BeginTabBar("Menu tabs")) {
        if (BeginTab(panel.state, kMenuTabs[0])) {
            DrawModelTabs(panel);
            ImGui::EndTabItem();
        }
        if (BeginTab(panel.state, kMenuTabs[1])) {
            DrawDisplayTab(panel);
            ImGui::EndTabItem();
        }
        if (BeginTab(panel.state, kMenuTabs[2])) {
            DrawLightSettingsTab(panel);
            ImGui::EndTabItem();
        }
        if (BeginTab(panel.state, kMenuTabs[3])) {
            timerDrawn = DrawShaderTabs(panel, timerValue);
            ImGui::EndTabItem();
        }
        if (BeginTab(panel.state, kMenuTabs[4])) {
            DrawStatsTab(panel);
            ImGui::EndTabItem();
        }
        ImGui::EndTabBar();
    }
    // The timer runs whether or not its tab is shown.
    if (!timerDrawn)
        timerValue = UpdateShaderTimer(panel.state.shaderTimer, panel.state.timerPanel,
                                       panel.engine.frameTime);
    ImGui::End();
    return timerValue;
}
