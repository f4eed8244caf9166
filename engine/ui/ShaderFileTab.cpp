// The Shader file tab: pick one of the user's pixel-shader files, name its main function
// and rebuild the shaders with it.
#include <imgui.h>

#include "api/Engine.h"
#include "ui/CustomShaderChoice.h"
#include "ui/Panels.h"

void DrawShaderFileTab(PanelContext& panel)
{
    ShaderFilePanel& values = panel.state.shaderFile;
    const CustomShaderList list = ListCustomShaderFiles(panel.state.shaderDirectories);
    if (list.displayNames.empty()) {
        TextLine(panel.state, "No pixelshaders found, you need to name them PS_ to be listed here");
        return;
    }
    TextLine(panel.state, "Choose pixelshader");
    TextLine(panel.state, "Pixelshader main function");
    // Only stored: the name takes effect with the next rebuild.
    if (ImGui::InputText("##Entry name", values.entryName, sizeof(values.entryName)))
        SetCustomShaderEntry(panel.engine, values.entryName);
    NoteItem(panel.state, "##Entry name");
    if (ImGui::Button("Set/Recompile"))
        RecompileShaders(panel.engine);
    NoteItem(panel.state, "Set/Recompile");

    const int count = static_cast<int>(list.displayNames.size());
    const bool valid = values.chosenIndex >= 0 && values.chosenIndex < count;
    const bool open = ImGui::BeginCombo("##Shader file",
                                        valid ? list.displayNames[values.chosenIndex].c_str() : "");
    NoteItem(panel.state, "##Shader file");
    if (!open)
        return;
    for (int i = 0; i < count; ++i) {
        const bool chosen =
            ImGui::Selectable(list.displayNames[i].c_str(), i == values.chosenIndex);
        NoteItem(panel.state, list.displayNames[i].c_str());
        if (chosen) {
            values.chosenIndex = i;
            SetCustomShaderFile(panel.engine, list, static_cast<size_t>(i));
        }
    }
    ImGui::EndCombo();
}
