// The Display tab: grid, sky (plain colour, rotation, cube-map file, mip level) and the
// camera's projection.
#include <imgui.h>

#include <algorithm>
#include <cfloat>

#include "api/Engine.h"
#include "scene/Camera.h"
#include "scene/Scene.h"
#include "textures/TextureManager.h"
#include "textures/TextureRecord.h"
#include "ui/PanelRules.h"
#include "ui/Panels.h"

namespace {

constexpr int kHighestMipLevel = 12;

uint8_t ColourByte(float component)
{
    return static_cast<uint8_t>(std::clamp(TruncateToInt(component * 255.0f), 0, 255));
}

void DrawPlainSkyPicker(PanelContext& panel)
{
    DisplayPanel& display = panel.state.display;
    TextLine(panel.state, "Cube color");
    ImGui::SetNextItemWidth(100.0f);
    const bool changed =
        ImGui::ColorPicker4("##Cube colour", display.cubeColour,
                            ImGuiColorEditFlags_NoInputs | ImGuiColorEditFlags_DisplayRGB |
                                ImGuiColorEditFlags_NoAlpha);
    NoteItem(panel.state, "##Cube colour");
    CScene* scene = panel.engine.scene.get();
    if (!changed || !scene || !panel.engine.textureManager)
        return;
    // The previous colour's cube map goes before the next one is made.
    scene->ReleasePlainSky();
    ShaderResourceViewPtr view = panel.engine.textureManager->CreateSolidCubeMap(
        ColourByte(display.cubeColour[0]), ColourByte(display.cubeColour[1]),
        ColourByte(display.cubeColour[2]));
    if (view)
        scene->ShowPlainSky(std::move(view));
}

void DrawSkyFileCombo(PanelContext& panel)
{
    DisplayPanel& display = panel.state.display;
    TextLine(panel.state, "Cubemap texture");
    // The name and file chosen are where the list found them: an installed tree's sky
    // folder lies in share/, not beside the program.
    const SkyFileList skies = SkyFiles(panel.state.skyDirectories);
    const std::vector<std::string>& names = skies.names;
    const bool valid =
        display.skyFileIndex >= 0 && display.skyFileIndex < static_cast<int>(names.size());
    ImGui::SetNextItemWidth(-FLT_MIN);
    const bool open =
        ImGui::BeginCombo("##Sky file", valid ? names[display.skyFileIndex].c_str() : "");
    NoteItem(panel.state, "##Sky file");
    if (!open)
        return;
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
        const bool chosen = ImGui::Selectable(names[i].c_str(), i == display.skyFileIndex);
        NoteItem(panel.state, names[i].c_str());
        if (chosen) {
            display.skyFileIndex = i;
            // A sky chosen is a sky shown, as a colour picked is.
            if (panel.engine.scene && panel.engine.scene->SetSkyboxTexture(skies.paths[i]))
                panel.engine.scene->renderSkybox = true;
        }
    }
    ImGui::EndCombo();
}

void DrawProjectionControls(PanelContext& panel)
{
    DisplayPanel& display = panel.state.display;
    ImGui::DragInt("Field of view", &display.fieldOfView, 0.1f, 0, 120, "%d",
                   ImGuiSliderFlags_AlwaysClamp);
    NoteItem(panel.state, "Field of view");
    CCamera* camera = panel.engine.camera.get();
    // The fields show the planes in use: framing a model fits them to its size, and the
    // user's numbers count from there.
    if (camera && display.planesApplied) {
        display.nearPlane = camera->nearPlane;
        display.farPlane = camera->farPlane;
    }
    ImGui::InputFloat("Nearplane", &display.nearPlane, 0.1f);
    NoteItem(panel.state, "Nearplane");
    ImGui::InputFloat("Farplane", &display.farPlane, 0.1f);
    NoteItem(panel.state, "Farplane");
    if (!camera)
        return;
    camera->SetFieldOfView(display.fieldOfView);
    camera->projection =
        camera->Projection(static_cast<float>(camera->width), static_cast<float>(camera->height),
                           camera->fieldOfView, display.nearPlane, display.farPlane);
    display.planesApplied = true;
}

// The view as a PNG at the window's size, without the interface; F12 does the same.
void DrawScreenshotControls(PanelContext& panel)
{
    ImGui::Separator();
    if (ImGui::Button("Save PNG screenshot (F12)"))
        panel.engine.pngScreenshotRequested = true;
    NoteItem(panel.state, "Save PNG screenshot (F12)");
    ImGui::SameLine();
    ImGui::Checkbox("Transparent background", &panel.engine.pngScreenshotTransparent);
    NoteItem(panel.state, "Transparent background");
}

}  // namespace

void DrawDisplayTab(PanelContext& panel)
{
    DisplayPanel& display = panel.state.display;
    CScene* scene = panel.engine.scene.get();
    TextLine(panel.state, "RenderMode");
    ImGui::Checkbox("Grid On", &display.gridOn);
    NoteItem(panel.state, "Grid On");
    if (scene)
        scene->photoMode = !display.gridOn;

    DrawPlainSkyPicker(panel);

    TextLine(panel.state, "Cubemap Y Rotation");
    ImGui::SetNextItemWidth(400.0f);
    ImGui::SliderFloat("##Sky rotation", &display.skyRotation, 0.0f, 360.0f);
    NoteItem(panel.state, "##Sky rotation");
    panel.engine.cubemapParameter = display.skyRotation;

    DrawSkyFileCombo(panel);

    ImGui::DragInt("Cubemap MIP Level", &display.mipLevel, 0.01f, 0, kHighestMipLevel, "%d",
                   ImGuiSliderFlags_AlwaysClamp);
    NoteItem(panel.state, "Cubemap MIP Level");
    display.mipLevel = std::clamp(display.mipLevel, 0, kHighestMipLevel);
    if (scene) {
        scene->cubeMapMipLevel = static_cast<uint32_t>(display.mipLevel);
        if (scene->cubeMap)
            scene->cubeMap->displayedMipLevel = static_cast<uint32_t>(display.mipLevel);
    }

    DrawProjectionControls(panel);
    DrawOverlaysSection(panel);
    DrawScreenshotControls(panel);
}
