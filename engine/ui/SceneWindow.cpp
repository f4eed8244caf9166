// The "Scene" window: the shown model's node tree, each node with a visibility check box
// and its meshes (counts, material, textures, bones); clicking a node selects it. The rows
// are built once per model and change of the expanded set, and only those in view are
// drawn, so a tree of thousands of nodes costs what a screenful does.
#include <imgui.h>

#include <algorithm>
#include <string>

#include "animation/JointPalette.h"
#include "api/Engine.h"
#include "models/ModelNode.h"
#include "models/SceneTreeRows.h"
#include "scene/BoneWeightChoice.h"
#include "scene/Scene.h"
#include "ui/Panels.h"

namespace {

// Deeper rows stand where this depth does: a chain of a thousand nodes stays readable.
constexpr int kMaxIndentDepth = 24;
const ImVec4 kMissingColour(1.0f, 0.45f, 0.3f, 1.0f);
const ImVec4 kTexturesColour(0.7f, 0.7f, 0.72f, 1.0f);

// A new model (or none) drops what the window kept about the last one.
void FollowModel(SceneWindowPanel& window, const CScene& scene, const CModelNode* model)
{
    if (window.rowsBuilt && window.rowsGeneration == scene.inspection.modelGeneration &&
        window.rowsModel == model)
        return;
    window.expanded.clear();
    if (model)
        window.expanded.insert(model);  // the root opens with its first level shown
    ++window.expandedVersion;
    window.rows.clear();
    window.rowsBuilt = false;
}

void UpdateRows(SceneWindowPanel& window, const CScene& scene, CModelNode& model)
{
    if (window.rowsBuilt && window.rowsExpandedVersion == window.expandedVersion)
        return;
    window.rows = BuildSceneTreeRows(model, window.expanded);
    window.rowsBuilt = true;
    window.rowsGeneration = scene.inspection.modelGeneration;
    window.rowsModel = &model;
    window.rowsExpandedVersion = window.expandedVersion;
}

void Indent(int depth)
{
    const float step = ImGui::GetStyle().IndentSpacing;
    ImGui::SetCursorPosX(ImGui::GetCursorPosX() + step * std::min(depth, kMaxIndentDepth));
}

// Returns the node whose arrow was clicked, if any.
const CModelNode* DrawNodeRow(PanelContext& panel, SceneInspection& inspection,
                              const SceneTreeRow& row)
{
    const CModelNode* toggled = nullptr;
    Indent(row.depth);
    const float side = ImGui::GetFrameHeight();
    if (row.expandable) {
        if (ImGui::ArrowButton("##open", row.expanded ? ImGuiDir_Down : ImGuiDir_Right))
            toggled = row.node;
        NoteItem(panel.state, ("Expand " + row.node->name).c_str());
    } else {
        ImGui::Dummy(ImVec2(side, side));
    }
    ImGui::SameLine();
    bool visible = !row.node->hidden;
    if (ImGui::Checkbox("##visible", &visible))
        row.node->hidden = !visible;
    NoteItem(panel.state, ("Visible " + row.node->name).c_str());
    ImGui::SameLine();
    const bool selected = inspection.selected == row.node;
    if (ImGui::Selectable(row.text.c_str(), selected, 0, ImVec2(0.0f, side)))
        inspection.selected = selected ? nullptr : row.node;
    NoteItem(panel.state, row.text.c_str());
    return toggled;
}

// Before a mesh's counts, where a long row cannot push them out of the window: its UV
// layout, and for a skinned mesh the choice of a joint whose weights the model is coloured
// by (the joints are listed only while the list is open).
void DrawMeshTools(PanelContext& panel, SceneInspection& inspection, const CMeshObject& mesh)
{
    if (ImGui::SmallButton("UV layout"))
        OpenUvLayout(panel.state, &mesh);
    NoteItem(panel.state, ("UV layout " + mesh.name).c_str());
    ImGui::SameLine();
    if (!mesh.IsSkinned())
        return;
    ImGui::SetNextItemWidth(150.0f);
    const std::string label = "##weights " + mesh.name;
    if (ImGui::BeginCombo(label.c_str(), "Bone weights")) {
        for (const std::string& joint : MeshJointNames(mesh)) {
            if (ImGui::Selectable(joint.c_str(), IsWeightJointShown(inspection, joint)))
                ChooseWeightJoint(inspection, joint);
            NoteItem(panel.state, joint.c_str());
        }
        ImGui::EndCombo();
    }
    NoteItem(panel.state, label.c_str());
    ImGui::SameLine();
}

void DrawMeshRow(PanelContext& panel, SceneInspection& inspection, const SceneTreeRow& row)
{
    Indent(row.depth);
    ImGui::SetCursorPosX(ImGui::GetCursorPosX() + ImGui::GetFrameHeight() * 0.5f);
    ImGui::AlignTextToFramePadding();
    if (row.kind == SceneTreeRow::Kind::MeshCounts) {
        DrawMeshTools(panel, inspection, *row.mesh);
        TextLine(panel.state, "%s", row.text.c_str());
        return;
    }
    // Textures can change after import (a dropped image): described as they are now.
    const std::string textures = DescribeMeshTextures(*row.mesh);
    if (textures.find("missing: ") != std::string::npos)
        ColouredTextLine(panel.state, kMissingColour, "%s", textures.c_str());
    else
        ColouredTextLine(panel.state, kTexturesColour, "%s", textures.c_str());
}

void DrawTree(PanelContext& panel, CScene& scene, CModelNode* model)
{
    SceneWindowPanel& window = panel.state.sceneWindow;
    SceneInspection& inspection = scene.inspection;
    FollowModel(window, scene, model);
    if (!model) {
        TextLine(panel.state, "No model shown");
        return;
    }
    if (window.expandAllPending) {
        window.expanded = AllExpandableNodes(*model);
        ++window.expandedVersion;
        window.expandAllPending = false;
    }
    if (ImGui::Button("Expand all")) {
        window.expanded = AllExpandableNodes(*model);
        ++window.expandedVersion;
    }
    NoteItem(panel.state, "Expand all");
    ImGui::SameLine();
    if (ImGui::Button("Collapse all")) {
        window.expanded.clear();
        ++window.expandedVersion;
    }
    NoteItem(panel.state, "Collapse all");
    ImGui::SameLine();
    if (ImGui::Button("Clear selection"))
        inspection.selected = nullptr;
    NoteItem(panel.state, "Clear selection");
    if (inspection.selected)
        TextLine(panel.state, "Selected: %s  (F frames it)", inspection.selected->name.c_str());
    else
        TextLine(panel.state, "Nothing selected  (F frames the model)");
    ImGui::Separator();

    UpdateRows(window, scene, *model);
    const CModelNode* toggled = nullptr;
    ImGui::BeginChild("##scene rows", ImVec2(0.0f, 0.0f), false,
                      ImGuiWindowFlags_HorizontalScrollbar);
    ImGuiListClipper clipper;
    clipper.Begin(static_cast<int>(window.rows.size()), ImGui::GetFrameHeightWithSpacing());
    while (clipper.Step()) {
        for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i) {
            const SceneTreeRow& row = window.rows[static_cast<size_t>(i)];
            ImGui::PushID(i);
            if (row.kind == SceneTreeRow::Kind::Node) {
                if (const CModelNode* node = DrawNodeRow(panel, inspection, row))
                    toggled = node;
            } else {
                DrawMeshRow(panel, inspection, row);
            }
            ImGui::PopID();
        }
    }
    ImGui::EndChild();
    // Applied after the rows are drawn: the rows stay as they are for this frame.
    if (toggled) {
        if (!window.expanded.erase(toggled))
            window.expanded.insert(toggled);
        ++window.expandedVersion;
    }
}

}  // namespace

void DrawSceneWindow(PanelContext& panel)
{
    SceneWindowPanel& window = panel.state.sceneWindow;
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    ImGui::SetNextWindowPos(ImVec2(std::max(10.0f, display.x - 660.0f), 10.0f),
                            ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(ImVec2(650.0f, std::min(640.0f, display.y - 20.0f)),
                             ImGuiCond_FirstUseEver);
    bool open = true;
    if (ImGui::Begin("Scene", &open)) {
        if (CScene* scene = panel.engine.scene.get())
            scene->WithModel([&](CModelNode* model) { DrawTree(panel, *scene, model); });
    }
    ImGui::End();
    if (!open)
        window.open = false;
}
