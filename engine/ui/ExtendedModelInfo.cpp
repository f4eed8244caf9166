// The "Extended model info" window: the imported scene's overview and, per mesh, which
// vertex attributes it carries. The lines themselves come from the model side.
#include <imgui.h>

#include <algorithm>

#include "models/ModelSummary.h"
#include "ui/Panels.h"

namespace {

ImVec4 ColourOf(ModelInfoLine::Colour colour)
{
    switch (colour) {
        case ModelInfoLine::Colour::Red:
            return ImVec4(1.0f, 0.0f, 0.0f, 1.0f);
        case ModelInfoLine::Colour::Green:
            return ImVec4(0.0f, 1.0f, 0.0f, 1.0f);
        case ModelInfoLine::Colour::Yellow:
            return ImVec4(1.0f, 1.0f, 0.0f, 1.0f);
        case ModelInfoLine::Colour::Yes:
            return ImVec4(0.0f, 1.0f, 100.0f / 255.0f, 1.0f);
        case ModelInfoLine::Colour::No:
            return ImVec4(1.0f, 0.0f, 100.0f / 255.0f, 1.0f);
        case ModelInfoLine::Colour::Default:
            break;
    }
    return ImGui::GetStyleColorVec4(ImGuiCol_Text);
}

}  // namespace

bool DrawExtendedModelInfo(PanelContext& panel, const CModelNode* model,
                           const std::optional<Float3>& eye)
{
    // Opened from the main window: the first time beside it, wide enough for its lines, so
    // that it covers neither the main window's tabs nor its own text.
    const float besideMenu = ImGui::GetWindowPos().x + ImGui::GetWindowWidth() + 10.0f;
    ImGui::SetNextWindowPos(ImVec2(std::max(400.0f, besideMenu), 10.0f), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(ImVec2(320, 450), ImGuiCond_FirstUseEver);
    bool open = true;
    if (ImGui::Begin("Extended model info", &open)) {
        const std::vector<ModelInfoLine> lines = ModelInfoLines(SummariseModel(model, eye));
        // Models with thousands of meshes: draw only the lines in view.
        ImGuiListClipper clipper;
        clipper.Begin(static_cast<int>(lines.size()));
        while (clipper.Step()) {
            for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i)
                ColouredTextLine(panel.state, ColourOf(lines[i].colour), "%s",
                                 lines[i].text.c_str());
        }
    }
    ImGui::End();
    return open;
}
