// The "Animation" window: clips added from files, the joint list, the first and second clip
// and their blend, the camera joint, sequencing, and play, pause, stop and scrub. Everything
// that reads or changes the model does so under the scene's model lock; adding a file takes
// that lock itself, so it runs after the window has let go of the model.
#include <imgui.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "animation/AnimationQueries.h"
#include "animation/AnimationReview.h"
#include "api/Engine.h"
#include "models/ModelImporter.h"
#include "models/ModelNode.h"
#include "scene/BoneWeightChoice.h"
#include "scene/Scene.h"
#include "ui/PanelRules.h"
#include "ui/Panels.h"

namespace {

const ImVec4 kMeshNameColour(70.0f / 255.0f, 1.0f, 70.0f / 255.0f, 1.0f);

// The names the clip combos offer: file names without folders; the bind pose only when it
// is the one clip there is.
std::vector<std::string> ClipChoices(const std::vector<std::string>& clipNames)
{
    std::vector<std::string> choices;
    const size_t first = clipNames.size() > 1 ? 1 : 0;
    for (size_t i = first; i < clipNames.size(); ++i)
        choices.push_back(std::filesystem::path(clipNames[i]).filename().string());
    return choices;
}

// A full-width combo over `choices`; true when the user picked an entry this frame.
bool ClipCombo(PanelContext& panel, const char* label, int& index,
               const std::vector<std::string>& choices)
{
    if (choices.empty())
        return false;
    index = std::clamp(index, 0, static_cast<int>(choices.size()) - 1);
    bool changed = false;
    ImGui::SetNextItemWidth(-1.0f);
    if (ImGui::BeginCombo(label, choices[index].c_str())) {
        for (int i = 0; i < static_cast<int>(choices.size()); ++i) {
            if (ImGui::Selectable(choices[i].c_str(), i == index)) {
                changed = true;
                index = i;
            }
            NoteItem(panel.state, choices[i].c_str());
        }
        ImGui::EndCombo();
    }
    NoteItem(panel.state, label);
    return changed;
}

// The bone-weight view's colours, as shaders/PS_PixelShaders.fx gives them.
struct LegendEntry {
    const char* text;
    ImVec4 colour;
};
const LegendEntry kWeightLegend[] = {{"0", ImVec4(0.2f, 0.4f, 1.0f, 1.0f)},
                                     {"0.5", ImVec4(0.1f, 0.9f, 0.2f, 1.0f)},
                                     {"1", ImVec4(1.0f, 0.2f, 0.2f, 1.0f)}};
const LegendEntry kCountLegend[] = {{"0", ImVec4(0.6f, 0.6f, 0.6f, 1.0f)},
                                    {"1", ImVec4(0.2f, 0.4f, 1.0f, 1.0f)},
                                    {"2", ImVec4(0.1f, 0.9f, 0.2f, 1.0f)},
                                    {"3", ImVec4(1.0f, 0.85f, 0.0f, 1.0f)},
                                    {"4", ImVec4(1.0f, 0.2f, 0.2f, 1.0f)}};

template <size_t N>
void LegendLine(PanelContext& panel, const char* label, const LegendEntry (&entries)[N])
{
    TextLine(panel.state, "%s", label);
    for (const LegendEntry& entry : entries) {
        ImGui::SameLine();
        ImGui::TextColored(entry.colour, "%s", entry.text);
    }
}

// The bone-weight view's controls and the legend of what its colours mean.
void DrawWeightViewControls(PanelContext& panel, SceneInspection& inspection)
{
    BoneWeightView& view = inspection.boneWeights;
    bool jointCount = view.jointCount;
    if (ImGui::Checkbox("Joints per vertex", &jointCount))
        ShowJointCount(inspection, jointCount);
    NoteItem(panel.state, "Joints per vertex");
    ImGui::SameLine();
    if (ImGui::Button("Clear weight view"))
        ClearWeightView(inspection);
    NoteItem(panel.state, "Clear weight view");
    if (view.jointCount)
        LegendLine(panel, "Joints per vertex:", kCountLegend);
    else if (!view.joint.empty())
        LegendLine(panel, ("Weight of " + view.joint + ":").c_str(), kWeightLegend);
    else
        TextLine(panel.state, "Click a joint to show its weights");
}

// Every controller's joints; a click on one shows its weights on the model, a second click
// turns the view off.
void DrawJointNames(PanelContext& panel, const AnimationOverview& overview,
                    SceneInspection& inspection)
{
    const bool open = ImGui::TreeNode("Joint names");
    NoteItem(panel.state, "Joint names");
    if (!open)
        return;
    DrawWeightViewControls(panel, inspection);
    int list = 0;
    for (const ControllerJoints& controller : overview.joints) {
        ColouredTextLine(panel.state, kMeshNameColour, "%s", controller.meshName.c_str());
        ImGui::PushID(list++);  // one joint may be listed under several meshes
        for (const std::string& joint : controller.jointNames) {
            if (ImGui::Selectable(joint.c_str(), IsWeightJointShown(inspection, joint)))
                ChooseWeightJoint(inspection, joint);
            NoteItem(panel.state, joint.c_str());
        }
        ImGui::PopID();
        ImGui::Separator();
    }
    ImGui::TreePop();
}

// Start/Pause, Stop and the time slider. Playing follows the controller's clock, so the
// first press of "Start" never pauses a clip that already runs.
void DrawPlayback(PanelContext& panel, CModelNode& model, const AnimationOverview& overview)
{
    AnimationPlayback& playback = panel.state.animationPlayback;
    playback.playing = !overview.paused;
    if (ImGui::Button(playback.playing ? "Pause" : "Start")) {
        playback.playing = !playback.playing;
        SetAnimationPlaybackPosition(model, -1.0f);
    }
    NoteItem(panel.state, playback.playing ? "Pause" : "Start");
    ImGui::SameLine();
    if (ImGui::Button("Stop")) {
        playback.playing = false;
        playback.time = 0.0f;
        SetAnimationPlaybackPosition(model, 0.0f);
    }
    NoteItem(panel.state, "Stop");

    float time = overview.Progress();
    if (ImGui::SliderFloat("Current Time", &time, 0.0f, 1.0f)) {
        playback.playing = false;
        playback.time = std::clamp(time, 0.0f, 1.0f);
        SetAnimationPlaybackPosition(model, playback.time);
    } else if (!ImGui::IsItemActive()) {
        playback.time = time;
    }
    NoteItem(panel.state, "Current Time");
}

// The frame counter, frame and key steps, looping and the playback speed. A step pauses
// the clip where it lands, as scrubbing does.
void DrawReview(PanelContext& panel, CModelNode& model, const AnimationOverview& overview)
{
    const FrameReadout shown =
        ReadFrames(overview.elapsedSeconds, overview.loopSeconds, overview.frameRate);
    TextLine(panel.state, "Frame %ld / %ld (%.3f s / %.3f s) at %g fps", shown.frame,
             shown.lastFrame, shown.seconds, shown.loopSeconds, shown.frameRate);
    bool& loop = panel.engine.loopAnimation;
    std::optional<float> jumpTo;
    const auto stepButton = [&](const char* label, bool sameLine) {
        if (sameLine)
            ImGui::SameLine();
        const bool pressed = ImGui::Button(label);
        NoteItem(panel.state, label);
        return pressed;
    };
    if (stepButton("< Frame", false))
        jumpTo = StepFrames(shown, -1, loop);
    if (stepButton("Frame >", true))
        jumpTo = StepFrames(shown, 1, loop);
    const bool keyBack = stepButton("< Key", true);
    const bool keyOn = stepButton("Key >", true);
    if (keyBack || keyOn) {
        const std::vector<float> keys = CurrentClipKeySeconds(model);
        if (std::optional<float> key = NeighbourKey(keys, shown.seconds, keyOn ? 1 : -1))
            jumpTo = HoldableTime(*key, shown.loopSeconds);
    }
    if (jumpTo) {
        panel.state.animationPlayback.playing = false;
        SetAnimationTime(model, *jumpTo);
    }

    ImGui::Checkbox("Loop", &loop);
    NoteItem(panel.state, "Loop");
    int speed = model.animationSpeed;
    ImGui::SameLine();
    ImGui::SetNextItemWidth(160.0f);
    if (ImGui::SliderInt("Speed", &speed, 0, 400, "%d%%"))
        model.SetAnimationSpeed(speed);
    NoteItem(panel.state, "Speed");
}

}  // namespace

void DrawAnimationWindow(PanelContext& panel)
{
    CScene* scene = panel.engine.scene.get();
    if (!scene)
        return;
    AnimationPanel& values = panel.state.animation;
    ImGui::SetNextWindowPos(ImVec2(1100.0f, 50.0f), ImGuiCond_FirstUseEver);
    const bool visible = ImGui::Begin("Animation", nullptr, ImGuiWindowFlags_AlwaysAutoResize);
    NoteItem(panel.state, "Animation");
    if (!visible) {
        ImGui::End();
        return;
    }

    ImGui::Checkbox("X-Ray joints", &values.xRayJoints);
    NoteItem(panel.state, "X-Ray joints");
    panel.engine.showJointsThroughGeometry = values.xRayJoints;
    const bool addFile = ImGui::Button("Add Animation");
    NoteItem(panel.state, "Add Animation");

    scene->WithModel([&](CModelNode* model) {
        if (!model)
            return;
        const AnimationOverview overview = DescribeAnimation(model);
        DrawJointNames(panel, overview, scene->inspection);

        if (values.animateSequence && overview.hasController)
            values.firstClip = std::max(0, static_cast<int>(overview.currentClip) - 1);
        const std::vector<std::string> choices = ClipChoices(overview.clipNames);
        TextLine(panel.state, "First animation");
        bool changed = ClipCombo(panel, "##First animation", values.firstClip, choices);
        if (!values.animateSequence) {
            TextLine(panel.state, "Second animation");
            changed |= ClipCombo(panel, "##Second animation", values.secondClip, choices);
        }
        if (changed) {
            ActivateClip(*model, values.secondClip);
            ActivateClip(*model, values.firstClip);
        }

        if (overview.hasController) {
            ImGui::SliderFloat("Blend", &values.blend, 0.0f, 1.0f);
            NoteItem(panel.state, "Blend");
            SetAnimationBlend(*model, values.blend);
        }
        if (overview.hasCameraJoint) {
            ImGui::Checkbox("Attach camera to camera joint", &values.attachCamera);
            NoteItem(panel.state, "Attach camera to camera joint");
        } else {
            values.attachCamera = false;
        }
        panel.engine.attachCameraToCameraJoint = values.attachCamera;

        if (!overview.hasController)
            return;
        ImGui::Checkbox("Animate sequence", &values.animateSequence);
        NoteItem(panel.state, "Animate sequence");
        panel.engine.animateSequence = values.animateSequence;
        ImGui::Separator();
        DrawPlayback(panel, *model, overview);
        DrawReview(panel, *model, overview);
    });
    ImGui::End();

    if (!addFile || !panel.engine.modelImporter)
        return;
    const std::string path = ChooseFile(panel);
    if (!path.empty())
        panel.engine.modelImporter->ImportAnimationFile(path.c_str());
}
