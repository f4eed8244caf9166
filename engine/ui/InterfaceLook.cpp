#include "ui/InterfaceLook.h"

#include <imgui.h>

void ApplyEngineLook(ImGuiStyle& style)
{
    ImGui::StyleColorsDark(&style);
    style.WindowPadding = ImVec2(15, 15);
    style.WindowRounding = 5.0f;
    style.FramePadding = ImVec2(5, 5);
    style.FrameRounding = 4.0f;
    style.ItemSpacing = ImVec2(12, 8);
    style.ItemInnerSpacing = ImVec2(8, 6);
    style.IndentSpacing = 25.0f;
    style.ScrollbarSize = 15.0f;
    style.ScrollbarRounding = 9.0f;
    style.GrabMinSize = 5.0f;
    style.GrabRounding = 3.0f;

    ImVec4* colours = style.Colors;
    const ImVec4 text(0.80f, 0.80f, 0.83f, 1.00f);
    const ImVec4 muted(0.24f, 0.23f, 0.29f, 1.00f);
    const ImVec4 darkest(0.06f, 0.05f, 0.07f, 1.00f);
    const ImVec4 panel(0.07f, 0.07f, 0.09f, 1.00f);
    const ImVec4 frame(0.10f, 0.09f, 0.12f, 1.00f);
    const ImVec4 light(0.56f, 0.56f, 0.58f, 1.00f);
    const ImVec4 faintText(0.80f, 0.80f, 0.83f, 0.31f);
    const ImVec4 plot(0.40f, 0.39f, 0.38f, 0.63f);
    const ImVec4 highlight(0.25f, 1.00f, 0.00f, 1.00f);

    colours[ImGuiCol_Text] = text;
    colours[ImGuiCol_TextDisabled] = muted;
    colours[ImGuiCol_WindowBg] = darkest;
    colours[ImGuiCol_ChildBg] = panel;
    colours[ImGuiCol_PopupBg] = panel;
    colours[ImGuiCol_Border] = ImVec4(0.80f, 0.80f, 0.83f, 0.88f);
    colours[ImGuiCol_BorderShadow] = ImVec4(0.92f, 0.91f, 0.88f, 0.00f);
    colours[ImGuiCol_FrameBg] = frame;
    colours[ImGuiCol_FrameBgHovered] = muted;
    colours[ImGuiCol_FrameBgActive] = light;
    colours[ImGuiCol_TitleBg] = frame;
    colours[ImGuiCol_TitleBgActive] = panel;
    colours[ImGuiCol_TitleBgCollapsed] = ImVec4(1.00f, 0.98f, 0.95f, 0.75f);
    colours[ImGuiCol_MenuBarBg] = frame;
    colours[ImGuiCol_ScrollbarBg] = frame;
    colours[ImGuiCol_ScrollbarGrab] = faintText;
    colours[ImGuiCol_ScrollbarGrabHovered] = light;
    colours[ImGuiCol_ScrollbarGrabActive] = darkest;
    colours[ImGuiCol_CheckMark] = faintText;
    colours[ImGuiCol_SliderGrab] = faintText;
    colours[ImGuiCol_SliderGrabActive] = darkest;
    colours[ImGuiCol_Button] = frame;
    colours[ImGuiCol_ButtonHovered] = muted;
    colours[ImGuiCol_ButtonActive] = light;
    colours[ImGuiCol_Header] = muted;
    colours[ImGuiCol_HeaderHovered] = light;
    colours[ImGuiCol_HeaderActive] = darkest;
    colours[ImGuiCol_ResizeGrip] = ImVec4(0.00f, 0.00f, 0.00f, 0.00f);
    colours[ImGuiCol_ResizeGripHovered] = light;
    colours[ImGuiCol_ResizeGripActive] = darkest;
    colours[ImGuiCol_PlotLines] = plot;
    colours[ImGuiCol_PlotLinesHovered] = highlight;
    colours[ImGuiCol_PlotHistogram] = plot;
    colours[ImGuiCol_PlotHistogramHovered] = highlight;
    colours[ImGuiCol_TextSelectedBg] = ImVec4(0.25f, 1.00f, 0.00f, 0.43f);
    colours[ImGuiCol_ModalWindowDimBg] = ImVec4(1.00f, 0.98f, 0.95f, 0.73f);
}
