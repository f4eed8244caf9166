// The "LOG" window: every message of the engine in order, a title bar that pulses green or
// red when a message arrives, and a spinning indicator while a model loads.
#include <imgui.h>

#include <cmath>

#include "api/Engine.h"
#include "scene/Scene.h"
#include "ui/PanelRules.h"
#include "ui/Panels.h"

namespace {

constexpr float kSpinnerRadius = 10.0f;
const ImVec4 kInfoColour(0.0f, 1.0f, 0.0f, 1.0f);
const ImVec4 kErrorColour(1.0f, 0.0f, 0.0f, 1.0f);

// Copies only the messages that arrived since the last frame, under the log's lock, one
// display line per line of text so that every line is equally high. Returns whether there
// were any, and the level of the newest.
bool FetchNewMessages(CMessageLog& log, LogView& view, bool& newestIsInfo)
{
    std::vector<CMessageLog::Entry> arrived = log.EntriesFrom(view.messagesSeen);
    if (arrived.empty())
        return false;
    view.messagesSeen += arrived.size();
    newestIsInfo = arrived.back().level == MessageLevelInfo;
    for (CMessageLog::Entry& entry : arrived) {
        size_t start = 0;
        for (;;) {
            const size_t end = entry.text.find('\n', start);
            view.lines.push_back({entry.text.substr(start, end - start), entry.level});
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
    }
    return true;
}

void DrawSpinner()
{
    const float size = kSpinnerRadius * 2.0f;
    const ImVec2 corner = ImGui::GetCursorScreenPos();
    ImGui::Dummy(ImVec2(size, size));
    const ImVec2 centre(corner.x + kSpinnerRadius, corner.y + kSpinnerRadius);
    const float start = static_cast<float>(ImGui::GetTime()) * 6.0f;
    constexpr int kSegments = 24;
    ImDrawList* drawList = ImGui::GetWindowDrawList();
    drawList->PathClear();
    for (int i = 0; i <= kSegments; ++i) {
        const float angle = start + (static_cast<float>(i) / kSegments) * 4.5f;  // 3/4 turn
        drawList->PathLineTo(ImVec2(centre.x + std::cos(angle) * (kSpinnerRadius - 2.0f),
                                    centre.y + std::sin(angle) * (kSpinnerRadius - 2.0f)));
    }
    drawList->PathStroke(ImGui::GetColorU32(kInfoColour), false, 3.0f);
}

}  // namespace

void DrawLogWindow(PanelContext& panel)
{
    CScene* scene = panel.engine.scene.get();
    LogView& view = panel.state.log;
    bool newestIsInfo = false;
    const bool arrived = scene && FetchNewMessages(scene->log, view, newestIsInfo);
    const std::array<float, 4> title =
        UpdateLogFlash(panel.state, arrived, newestIsInfo, panel.engine.frameTime);
    const ImVec4 titleColour(title[0], title[1], title[2], title[3]);

    ImGui::SetNextWindowPos(ImVec2(10, 600), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(ImVec2(450, 150), ImGuiCond_FirstUseEver);
    ImGui::PushStyleColor(ImGuiCol_TitleBg, titleColour);
    ImGui::PushStyleColor(ImGuiCol_TitleBgActive, titleColour);
    const bool visible = ImGui::Begin("LOG");
    ImGui::PopStyleColor(2);
    if (visible) {
        NoteItem(panel.state, "LOG");
        // Long sessions gather many lines: only those in view are drawn.
        ImGuiListClipper clipper;
        clipper.Begin(static_cast<int>(view.lines.size()));
        while (clipper.Step()) {
            for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i) {
                const CMessageLog::Entry& line = view.lines[i];
                ColouredTextLine(panel.state,
                                 line.level == MessageLevelInfo ? kInfoColour : kErrorColour, "%s",
                                 line.text.c_str());
            }
        }
        if (scene && scene->IsLoadPending())
            DrawSpinner();
        ImGui::SetScrollHereY(1.0f);
    }
    ImGui::End();
}
