// The question asked about an image dropped on the window: use it as the sky, as one of
// the model's textures or as a custom texture for user shaders.
#include <imgui.h>

#include <cfloat>
#include <filesystem>
#include <utility>

#include "api/Engine.h"
#include "models/ModelNode.h"
#include "platform/Paths.h"
#include "scene/Scene.h"
#include "ui/Panels.h"

namespace {

constexpr const char* kPopupName = "Modal window";

bool Button(InterfaceState& state, const char* label)
{
    const bool pressed = ImGui::Button(label);
    NoteItem(state, label);
    return pressed;
}

void DescribeImage(PanelContext& panel, const DroppedImageQuestion& question)
{
    TextLine(panel.state, "%s", question.droppedPath.filename().string().c_str());
    if (question.description.readable)
        TextLine(panel.state, "%s", question.description.Text().c_str());
    else
        TextLine(panel.state, "%s", "Not readable as an image");
    ImGui::Separator();
}

}  // namespace

void DrawDroppedImagePopup(PanelContext& panel)
{
    DroppedImageQuestion& question = panel.state.droppedImage;
    CScene* scene = panel.engine.scene.get();
    ImGui::SetNextWindowPos(ImVec2(500, 200), ImGuiCond_Appearing);
    // At least 300 x 300, and tall enough for every button: at the interface's font size
    // a fixed 300 x 300 would hide the last ones.
    ImGui::SetNextWindowSizeConstraints(ImVec2(300, 300), ImVec2(FLT_MAX, FLT_MAX));
    if (question.popupRequested) {
        ImGui::OpenPopup(kPopupName);
        question.popupRequested = false;
    }
    if (!ImGui::BeginPopupModal(kPopupName, nullptr, ImGuiWindowFlags_AlwaysAutoResize))
        return;
    NoteItem(panel.state, kPopupName);
    DescribeImage(panel, question);

    const std::filesystem::path& path = question.droppedPath;
    bool answered = false;
    if (question.droppedIsCubeMap)
        TextLine(panel.state, "This texture seems like it is a Cubemap");
    if (question.droppedIsPanorama)
        TextLine(panel.state, "An HDR panorama: it becomes the sky's cube map");
    if (Button(panel.state, question.droppedIsPanorama ? "As Sky" : "As Cubemap")) {
        if (scene)
            scene->SetSkyboxTexture(path);
        answered = true;
    }
    if (question.droppedIsCubeMap || question.droppedIsPanorama) {
        ImGui::SameLine();
        TextLine(panel.state, "<- Recommended");
    }

    bool hasModel = false;
    if (scene)
        scene->WithModel([&](CModelNode* model) { hasModel = model != nullptr; });
    if (hasModel) {
        static constexpr std::pair<const char*, int> kModelSlots[] = {
            {"As Model Albedo", kAlbedoSlot},
            {"As Model Material", kMaterialSlot},
            {"As Model Normalmap", kNormalSlot}};
        for (const auto& [label, slot] : kModelSlots) {
            if (!Button(panel.state, label))
                continue;
            scene->WithModel([&](CModelNode* model) {
                if (model)
                    model->AssignTexture(slot, question.droppedPath);
            });
            answered = true;
        }
    }
    ImGui::Separator();
    for (int slot = 0; slot < 4; ++slot) {
        const std::string label = "As Custom Texture " + std::to_string(slot + 1);
        if (!Button(panel.state, label.c_str()))
            continue;
        if (scene)
            scene->AssignExtraTexture(path, slot);
        answered = true;
    }
    if (answered) {
        question.droppedPath.clear();
        ImGui::CloseCurrentPopup();
    }
    if (Button(panel.state, "Close"))
        ImGui::CloseCurrentPopup();
    ImGui::EndPopup();
}
