#include "ui/PanelContext.h"

#include <epoxy/gl.h>
#include <imgui.h>

#include <cstdarg>
#include <cstdio>
#include <string>

#include "api/Engine.h"
#include "graphics/gpu/GpuObjects.h"
#include "platform/FileDialog.h"
#include "textures/TextureRecord.h"
#include "ui/PanelRules.h"

namespace {

std::string Format(const char* format, va_list arguments)
{
    va_list copy;
    va_copy(copy, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0)
        return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, arguments);
    text.resize(static_cast<size_t>(length));
    return text;
}

void DrawLine(InterfaceState& state, const std::string& text)
{
    ImGui::TextUnformatted(text.data(), text.data() + text.size());
    NoteItem(state, text.c_str());
}

// Short enough for the smallest preview (64 pixels).
const char* PlaceholderLabel(const gpu::Texture* texture)
{
    if (!texture)
        return "None";
    switch (texture->Desc().kind) {
        case gpu::TextureKind::TextureCube:
            return "Cube";
        case gpu::TextureKind::Texture3D:
            return "Volume";
        case gpu::TextureKind::Texture1D:
            return "1D";
        case gpu::TextureKind::Texture2D:
            break;
    }
    return "Array";
}

// Texture previews show the colour channels as they are: the alpha of a material texture is
// a mask, and blending with it would hide the picture.
void DisableBlending(const ImDrawList*, const ImDrawCmd*)
{
    glDisable(GL_BLEND);
}

void DrawPlaceholder(const char* label, float size)
{
    const ImVec2 corner = ImGui::GetCursorScreenPos();
    ImGui::Dummy(ImVec2(size, size));
    ImDrawList* drawList = ImGui::GetWindowDrawList();
    const ImU32 colour = ImGui::GetColorU32(ImGuiCol_TextDisabled);
    drawList->AddRect(corner, ImVec2(corner.x + size, corner.y + size), colour);
    const ImVec2 textSize = ImGui::CalcTextSize(label);
    drawList->PushClipRect(corner, ImVec2(corner.x + size, corner.y + size), true);
    drawList->AddText(
        ImVec2(corner.x + (size - textSize.x) * 0.5f, corner.y + (size - textSize.y) * 0.5f),
        ImGui::GetColorU32(ImGuiCol_Text), label);
    drawList->PopClipRect();
}

}  // namespace

void NoteItem(InterfaceState& state, const char* label)
{
    if (!state.drawnWidgets)
        return;
    const ImVec2 min = ImGui::GetItemRectMin();
    const ImVec2 max = ImGui::GetItemRectMax();
    state.drawnWidgets->push_back({label, min.x, min.y, max.x, max.y});
}

void TextLine(InterfaceState& state, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    const std::string text = Format(format, arguments);
    va_end(arguments);
    DrawLine(state, text);
}

void ColouredTextLine(InterfaceState& state, const ImVec4& colour, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    const std::string text = Format(format, arguments);
    va_end(arguments);
    ImGui::PushStyleColor(ImGuiCol_Text, colour);
    DrawLine(state, text);
    ImGui::PopStyleColor();
}

void TexturePreview(InterfaceState& state, const TextureRecord& record, float size)
{
    const gpu::Texture* texture = record.view ? record.view->GetTexture().get() : nullptr;
    if (texture && texture->Target() == GL_TEXTURE_2D) {
        const auto id = reinterpret_cast<ImTextureID>(static_cast<intptr_t>(texture->Name()));
        ImDrawList* drawList = ImGui::GetWindowDrawList();
        drawList->AddCallback(DisableBlending, nullptr);
        ImGui::Image(id, ImVec2(size, size), ImVec2(0, 0), ImVec2(1, 1), ImVec4(1, 1, 1, 1),
                     ImVec4(0, 0, 0, 0));
        drawList->AddCallback(ImDrawCallback_ResetRenderState, nullptr);
        NoteItem(state, "Texture preview");
    } else {
        const char* label = PlaceholderLabel(texture);
        DrawPlaceholder(label, size);
        NoteItem(state, (std::string("Texture placeholder: ") + label).c_str());
    }
    if (!ImGui::IsItemHovered())
        return;
    ImGui::BeginTooltip();
    TextLine(state, "Texture info");
    TextLine(state, "%s%s", "Texture type: ", record.typeName.c_str());
    TextLine(state, "%s%i%s%i", "Texture Size: ", TruncateToInt(record.size[0]), "x",
             TruncateToInt(record.size[1]));
    ImGui::EndTooltip();
}

std::string ChooseFile(PanelContext& panel)
{
    platform::FileDialogResult result = platform::OpenFileDialog();
    if (result.noDialogProgram && !panel.state.fileDialogMissingReported) {
        panel.state.fileDialogMissingReported = true;
        panel.engine.ReportMessage("No file dialog: install zenity or kdialog", MessageLevelError);
    }
    return result.path;
}
