// The light, statistics and model-settings tabs of the main window.
#include <imgui.h>

#include "api/Engine.h"
#include "models/ModelNode.h"
#include "scene/Camera.h"
#include "scene/Scene.h"
#include "ui/PanelRules.h"
#include "ui/Panels.h"

namespace {

// The four texture slots of a material that the texture set applies to.
constexpr int kMaterialSlotCount = 4;

}  // namespace

void DrawLightSettingsTab(PanelContext& panel)
{
    LightPanel& light = panel.state.light;
    TextLine(panel.state, "Directional Light Color");
    ImGui::ColorPicker3("##Light colour", light.colour);
    NoteItem(panel.state, "##Light colour");
    TextLine(panel.state, "Intensity");
    ImGui::DragFloat("##Light intensity", &light.intensity, 0.1f, 0.0f, 10.0f, "%.3f",
                     ImGuiSliderFlags_AlwaysClamp);
    NoteItem(panel.state, "##Light intensity");

    CScene* scene = panel.engine.scene.get();
    if (!scene)
        return;
    for (int i = 0; i < 3; ++i)
        scene->light.color[i] = QuantiseToByteSteps(light.colour[i]);
    scene->light.color[3] = 1.0f;
    scene->light.intensity = light.intensity;
}

void DrawStatsTab(PanelContext& panel)
{
    if (!panel.engine.camera)
        return;
    for (const std::string& line : StatsLines(panel.engine.camera->eye))
        TextLine(panel.state, "%s", line.c_str());
}

void DrawModelSettingsTab(PanelContext& panel)
{
    ModelSettingsPanel& settings = panel.state.modelSettings;
    TextLine(panel.state, "Tangentspace");
    ImGui::RadioButton("Left", &settings.handedness, 0);
    NoteItem(panel.state, "Left");
    ImGui::SameLine();
    ImGui::RadioButton("Right", &settings.handedness, 1);
    NoteItem(panel.state, "Right");
    panel.engine.rightHandedTangentSpace = settings.handedness == 1;

    TextLine(panel.state, "Texture set");
    ImGui::Combo("##Texture set", &settings.textureSet,
                 "1\0"
                 "2\0"
                 "3\0"
                 "4\0");
    NoteItem(panel.state, "##Texture set");
    if (settings.textureSet < 0 || settings.textureSet > 3)
        settings.textureSet = 0;
    if (!panel.engine.scene)
        return;
    // The chosen set is the UV set the material's textures are sampled with; the mesh
    // objects' choice of material block stays as the import made it.
    const auto uvSet = static_cast<uint32_t>(settings.textureSet);
    panel.engine.scene->WithModel([uvSet](CModelNode* model) {
        if (!model)
            return;
        for (int slot = 0; slot < kMaterialSlotCount; ++slot)
            model->SetTextureUvSet(slot, uvSet);
    });
}
