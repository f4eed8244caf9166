// The Model Debug tab: the render mode of the model, its counts, the extended information
// window, a reload, and the textures bound to every mesh. Everything that reads the model
// does so under the scene's model lock: a finishing load frees the old model under it.
#include <imgui.h>

#include <algorithm>

#include "animation/AnimationQueries.h"
#include "api/Engine.h"
#include "models/ModelNode.h"
#include "scene/Camera.h"
#include "scene/Scene.h"
#include "shaders/PixelShaderRegistry.h"
#include "textures/TextureRecord.h"
#include "ui/PanelRules.h"
#include "ui/Panels.h"

namespace {

constexpr float kSecondColumnX = 210.0f;
constexpr float kBoundTexturePixels = 128.0f;

// The second column stands at x = 210, or further right where a label of the first column
// would otherwise run into it (fonts wider than the one the layout was made for).
float SecondColumnX()
{
    const ImGuiStyle& style = ImGui::GetStyle();
    float widest = 0.0f;
    for (size_t i = 0; i < ShaderViewNames.size(); i += 2)
        widest = std::max(widest, ImGui::CalcTextSize(ShaderViewNames[i]).x);
    const float radio = ImGui::GetFrameHeight() + style.ItemInnerSpacing.x;
    const float firstColumnEnd = ImGui::GetCursorPosX() + radio + widest + style.ItemSpacing.x;
    return std::max(kSecondColumnX, firstColumnEnd);
}

void DrawRenderModeButtons(PanelContext& panel)
{
    int& mode = panel.state.modelDebug.renderMode;
    const float secondColumn = SecondColumnX();
    for (int i = 0; i < static_cast<int>(ShaderViewNames.size()); ++i) {
        if (i % 2 == 1)
            ImGui::SameLine(secondColumn);
        if (ImGui::RadioButton(ShaderViewNames[i], mode == i))
            mode = i;
        NoteItem(panel.state, ShaderViewNames[i]);
    }
}

void DrawBoundTextures(PanelContext& panel, const CModelNode& model)
{
    const bool open = ImGui::TreeNode("Show bound textures");
    NoteItem(panel.state, "Show bound textures");
    if (!open)
        return;
    TextLine(panel.state, "From left: Albedo, Material, Normal");
    std::vector<CMeshObject*> meshes;
    model.CollectMeshObjects(meshes);
    for (size_t index = 0; index < meshes.size(); ++index) {
        const CMeshObject& mesh = *meshes[index];
        TextLine(panel.state, "%s %i %s %s", "Mesh Index:", static_cast<int>(index),
                 "Mesh name:", mesh.name.c_str());
        const size_t block = mesh.textureSet < kTextureBlockCount ? mesh.textureSet : 0;
        bool first = true;
        for (int slot : {kAlbedoSlot, kMaterialSlot, kNormalSlot}) {
            const TextureRecord* record = mesh.textureSlots[block][slot].texture.get();
            if (!record || !record->view)
                continue;
            if (!first)
                ImGui::SameLine();
            first = false;
            ImGui::PushID(static_cast<int>(index * 3 + slot));
            TexturePreview(panel.state, *record, kBoundTexturePixels);
            ImGui::PopID();
        }
    }
    ImGui::TreePop();
}

// The selected node's first mesh, else the model's first; null without either.
const CMeshObject* UvLayoutMesh(const CScene& scene, const CModelNode* model)
{
    std::vector<CMeshObject*> meshes;
    if (scene.inspection.selected)
        scene.inspection.selected->CollectMeshObjects(meshes);
    if (meshes.empty() && model)
        model->CollectMeshObjects(meshes);
    return meshes.empty() ? nullptr : meshes.front();
}

}  // namespace

void DrawModelDebugTab(PanelContext& panel)
{
    DrawRenderModeButtons(panel);
    CScene* scene = panel.engine.scene.get();
    if (!scene)
        return;
    std::optional<Float3> eye;
    if (const CCamera* camera = panel.engine.camera.get())
        eye = Float3{camera->eye[0], camera->eye[1], camera->eye[2]};

    bool reload = false;
    scene->WithModel([&](CModelNode* model) {
        const uint64_t vertices = model ? model->VertexCount(eye) : 0;
        const uint64_t triangles = model ? model->TriangleCount(eye) : 0;
        TextLine(panel.state, "%s%i",
                 "Vertex count: ", TruncateToInt(static_cast<double>(vertices)));
        TextLine(panel.state, "%s%i",
                 "Tris count: ", TruncateToInt(static_cast<double>(triangles)));
        if (panel.state.modelIsAnimated && model)
            TextLine(panel.state, "%s%i", "Bone count: ",
                     TruncateToInt(static_cast<double>(DescribeAnimation(model).boneCount)));

        if (ImGui::Button("Show extended info"))
            panel.state.extendedInfoOpen = true;
        NoteItem(panel.state, "Show extended info");
        ImGui::SameLine();
        if (ImGui::Button("UV layout"))
            OpenUvLayout(panel.state, UvLayoutMesh(*scene, model));
        NoteItem(panel.state, "UV layout");
        if (panel.state.extendedInfoOpen)
            panel.state.extendedInfoOpen = DrawExtendedModelInfo(panel, model, eye);
        if (ImGui::Button("Show scene tree"))
            panel.state.sceneWindow.open = true;
        NoteItem(panel.state, "Show scene tree");
        reload = ImGui::Button("Reload model");
        NoteItem(panel.state, "Reload model");

        if (!model)
            return;
        DrawBoundTextures(panel, *model);
        // Applied every frame, so that a model loaded later takes the mode over. The tree
        // draw hands the root's shader name to every mesh.
        model->shaderName = ShaderViewNames[panel.state.modelDebug.renderMode];
    });
    if (reload)
        panel.engine.ReloadModel();
}
