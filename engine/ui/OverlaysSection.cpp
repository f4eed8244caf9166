// The Display tab's "Overlays" section, and the bounding box's dimensions written beside
// its edges in the picture.
#include <imgui.h>

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "api/Engine.h"
#include "math/Matrix4.h"
#include "models/ModelNode.h"
#include "scene/Camera.h"
#include "scene/CameraView.h"
#include "scene/InspectionGeometry.h"
#include "scene/Scene.h"
#include "ui/Panels.h"

namespace {

const ImU32 kLabelColour = IM_COL32(255, 217, 51, 255);
const ImU32 kLabelShadow = IM_COL32(0, 0, 0, 200);

// Where a world point lands in the window, in pixels from the top left; nothing behind
// the camera.
std::optional<ImVec2> ProjectToWindow(const Float3& point, const DrawView& view, ImVec2 size)
{
    const Matrix4 viewMatrix = InverseRigid(view.cameraMatrix);
    const Float3 v = TransformPoint(point, viewMatrix);
    const Matrix4& p = view.projection;
    float clip[4];
    for (int c = 0; c < 4; ++c)
        clip[c] = v[0] * p.m[0][c] + v[1] * p.m[1][c] + v[2] * p.m[2][c] + p.m[3][c];
    if (!(clip[3] > 1e-6f))
        return std::nullopt;
    const float x = clip[0] / clip[3];
    const float y = clip[1] / clip[3];
    if (!std::isfinite(x) || !std::isfinite(y))
        return std::nullopt;
    return ImVec2((x * 0.5f + 0.5f) * size.x, (0.5f - y * 0.5f) * size.y);
}

void DrawLabel(ImDrawList& list, ImVec2 at, const std::string& text)
{
    const ImVec2 textSize = ImGui::CalcTextSize(text.c_str());
    const ImVec2 corner(at.x - textSize.x * 0.5f, at.y - textSize.y * 0.5f);
    list.AddRectFilled(ImVec2(corner.x - 3, corner.y - 1),
                       ImVec2(corner.x + textSize.x + 3, corner.y + textSize.y + 1), kLabelShadow,
                       3.0f);
    list.AddText(corner, kLabelColour, text.c_str());
}

}  // namespace

std::string FormatLength(float length)
{
    if (!std::isfinite(length))
        return "?";
    char text[48];
    // Four significant digits, and whole units past them rather than an exponent.
    if (std::fabs(length) >= 10000.0f)
        std::snprintf(text, sizeof(text), "%.0f", static_cast<double>(length));
    else
        std::snprintf(text, sizeof(text), "%.4g", static_cast<double>(length));
    return text;
}

void DrawOverlaysSection(PanelContext& panel)
{
    CScene* scene = panel.engine.scene.get();
    if (!scene)
        return;
    ImGui::Separator();
    TextLine(panel.state, "Overlays");
    scene->WithModel([&](CModelNode* model) {
        SceneOverlays& overlays = scene->inspection.overlays;
        ImGui::Checkbox("Wireframe", &overlays.wireframe);
        NoteItem(panel.state, "Wireframe");
        ImGui::SameLine();
        ImGui::ColorEdit3("##Wireframe colour", overlays.wireframeColour,
                          ImGuiColorEditFlags_NoInputs);
        NoteItem(panel.state, "##Wireframe colour");
        ImGui::SameLine();
        ImGui::Checkbox("Bounding box", &overlays.bounds);
        NoteItem(panel.state, "Bounding box");
        ImGui::Checkbox("Normals", &overlays.normals);
        NoteItem(panel.state, "Normals");
        ImGui::SameLine();
        ImGui::Checkbox("Tangents", &overlays.tangents);
        NoteItem(panel.state, "Tangents");
        ImGui::SameLine();
        ImGui::SetNextItemWidth(120.0f);
        float percent = overlays.lineLength * 100.0f;
        if (ImGui::SliderFloat("Line length", &percent, 0.1f, 20.0f, "%.1f %%",
                               ImGuiSliderFlags_Logarithmic | ImGuiSliderFlags_AlwaysClamp))
            overlays.lineLength = percent / 100.0f;
        NoteItem(panel.state, "Line length");
        if (overlays.bounds && model) {
            const WorldBox box = DrawnModelBox(*model);
            const Float3 size = box.Size();
            if (!box.empty)
                TextLine(panel.state, "Size %s x %s x %s", FormatLength(size[0]).c_str(),
                         FormatLength(size[1]).c_str(), FormatLength(size[2]).c_str());
        }
    });
}

void DrawBoundsLabels(PanelContext& panel)
{
    CScene* scene = panel.engine.scene.get();
    CCamera* camera = panel.engine.camera.get();
    if (!scene || !camera)
        return;
    scene->WithModel([&](CModelNode* model) {
        if (!model || !scene->inspection.overlays.bounds)
            return;
        const WorldBox box = DrawnModelBox(*model);
        if (box.empty)
            return;
        const DrawView view = ViewOf(*camera);
        const ImVec2 size = ImGui::GetIO().DisplaySize;
        ImDrawList& list = *ImGui::GetBackgroundDrawList();
        const Float3 extent = box.Size();
        // Each dimension beside the edge that runs along it from the low corner.
        for (int axis = 0; axis < 3; ++axis) {
            Float3 middle = box.low;
            middle[axis] = (box.low[axis] + box.high[axis]) * 0.5f;
            if (const std::optional<ImVec2> at = ProjectToWindow(middle, view, size))
                DrawLabel(list, *at, FormatLength(extent[axis]));
        }
    });
}
