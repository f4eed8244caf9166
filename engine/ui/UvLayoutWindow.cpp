// The "UV Layout" window: one mesh's UV triangles drawn as lines over its albedo texture,
// with the unit square outlined, UVs outside it in another colour, a UV set chooser, zoom
// (wheel and slider) and pan (drag). The edges are read from the mesh once per UV set under
// the scene's model lock; the layout itself comes from models/UvLayout.
#include <epoxy/gl.h>
#include <imgui.h>

#include <cmath>

#include "api/Engine.h"
#include "graphics/gpu/GpuObjects.h"
#include "models/MeshObject.h"
#include "scene/Scene.h"
#include "textures/TextureRecord.h"
#include "ui/Panels.h"

namespace {

const ImU32 kBackground = IM_COL32(28, 28, 32, 255);
const ImU32 kInsideEdge = IM_COL32(90, 225, 255, 255);
const ImU32 kOutsideEdge = IM_COL32(255, 140, 40, 255);
const ImU32 kUnitSquare = IM_COL32(255, 230, 60, 255);
const ImU32 kTileLine = IM_COL32(110, 110, 120, 255);
const ImU32 kRepeatTint = IM_COL32(110, 110, 110, 255);  // tiles beyond the unit square
const ImVec4 kWarning(1.0f, 0.85f, 0.2f, 1.0f);
constexpr int kMaxTiles = 64;
constexpr float kWheelStep = 1.2f;

// The albedo's alpha may be a mask: shown without blending, as the texture previews are.
void DisableBlending(const ImDrawList*, const ImDrawCmd*)
{
    glDisable(GL_BLEND);
}

ImVec2 ToImVec(PixelPoint point)
{
    return ImVec2(point.x, point.y);
}

bool SameBounds(const UvBounds& a, const UvBounds& b)
{
    return a.minU == b.minU && a.minV == b.minV && a.maxU == b.maxU && a.maxV == b.maxV;
}

// The texture once in the unit square and, darker, in the other whole tiles in view (the
// renderer's samplers repeat), as long as there are few of them.
void DrawTexture(ImDrawList& list, const UvView& view, const PixelRect& rect,
                 const TextureRecord* albedo)
{
    const gpu::Texture* texture =
        albedo && albedo->view ? albedo->view->GetTexture().get() : nullptr;
    if (!texture || texture->Target() != GL_TEXTURE_2D)
        return;
    const auto id = reinterpret_cast<ImTextureID>(static_cast<intptr_t>(texture->Name()));
    const UvBounds visible = VisibleUvs(view, rect);
    const double firstU = std::floor(visible.minU), firstV = std::floor(visible.minV);
    const double columns = std::floor(visible.maxU) - firstU + 1.0;
    const double rows = std::floor(visible.maxV) - firstV + 1.0;
    const bool tiled = columns * rows <= kMaxTiles;
    list.AddCallback(DisableBlending, nullptr);
    // Texture row 0 is stored v = 0, the artist's v = 1: the top of each tile.
    auto tile = [&](float u, float v, ImU32 tint) {
        list.AddImage(id, ToImVec(UvToPixel(view, rect, {u, v + 1.0f})),
                      ToImVec(UvToPixel(view, rect, {u + 1.0f, v})), ImVec2(0, 0), ImVec2(1, 1),
                      tint);
    };
    // Counted loops: far from the origin adding 1 to a UV may leave it as it was.
    if (tiled) {
        for (int row = 0; row < static_cast<int>(rows); ++row) {
            for (int column = 0; column < static_cast<int>(columns); ++column) {
                const double u = firstU + column, v = firstV + row;
                if (u != 0.0 || v != 0.0)
                    tile(static_cast<float>(u), static_cast<float>(v), kRepeatTint);
            }
        }
    }
    tile(0.0f, 0.0f, IM_COL32_WHITE);
    list.AddCallback(ImDrawCallback_ResetRenderState, nullptr);
}

void DrawEdges(ImDrawList& list, UvLayoutPanel& layout, const PixelRect& rect)
{
    const UvBounds visible = VisibleUvs(layout.view, rect);
    if (!layout.drawnValid || !SameBounds(visible, layout.drawnFor)) {
        SelectDrawnEdges(layout.edges.edges, visible, kMaxDrawnUvEdges, layout.drawn);
        layout.drawnFor = visible;
        layout.drawnValid = true;
    }
    // Thin lines without anti-aliasing: a tenth of the vertices, and 100,000 of them stay
    // cheap.
    const ImDrawListFlags flags = list.Flags;
    list.Flags &= ~ImDrawListFlags_AntiAliasedLines;
    for (uint32_t index : layout.drawn) {
        const UvEdge& edge = layout.edges.edges[index];
        list.AddLine(ToImVec(UvToPixel(layout.view, rect, edge.a)),
                     ToImVec(UvToPixel(layout.view, rect, edge.b)),
                     edge.outside ? kOutsideEdge : kInsideEdge);
    }
    list.Flags = flags;
}

void DrawTileLines(ImDrawList& list, const UvView& view, const PixelRect& rect)
{
    const UvBounds visible = VisibleUvs(view, rect);
    const double firstU = std::ceil(visible.minU), firstV = std::ceil(visible.minV);
    const double columns = std::floor(visible.maxU) - firstU + 1.0;
    const double rows = std::floor(visible.maxV) - firstV + 1.0;
    if (!(columns + rows <= 2.0 * kMaxTiles))
        return;
    for (int column = 0; column < static_cast<int>(columns); ++column) {
        const auto u = static_cast<float>(firstU + column);
        list.AddLine(ToImVec(UvToPixel(view, rect, {u, visible.minV})),
                     ToImVec(UvToPixel(view, rect, {u, visible.maxV})), kTileLine);
    }
    for (int row = 0; row < static_cast<int>(rows); ++row) {
        const auto v = static_cast<float>(firstV + row);
        list.AddLine(ToImVec(UvToPixel(view, rect, {visible.minU, v})),
                     ToImVec(UvToPixel(view, rect, {visible.maxU, v})), kTileLine);
    }
}

void DrawUvSetChooser(PanelContext& panel, UvLayoutPanel& layout, const std::array<bool, 4>& sets)
{
    const std::string current = "UV" + std::to_string(layout.uvSet + 1);
    ImGui::SetNextItemWidth(120.0f);
    if (ImGui::BeginCombo("UV set", current.c_str())) {
        for (int set = 0; set < static_cast<int>(sets.size()); ++set) {
            if (!sets[set])
                continue;
            const std::string name = "UV" + std::to_string(set + 1);
            if (ImGui::Selectable(name.c_str(), set == layout.uvSet))
                layout.uvSet = set;
            NoteItem(panel.state, name.c_str());
        }
        ImGui::EndCombo();
    }
    NoteItem(panel.state, "UV set");
}

void DrawSummary(PanelContext& panel, const UvEdges& edges)
{
    const UvBounds& b = edges.bounds;
    TextLine(panel.state, "%zu edges; U %.3g to %.3g, V %.3g to %.3g", edges.edges.size(),
             static_cast<double>(b.minU), static_cast<double>(b.maxU), static_cast<double>(b.minV),
             static_cast<double>(b.maxV));
    if (edges.truncated)
        ColouredTextLine(panel.state, kWarning, "Too many edges: %zu of them kept",
                         edges.edges.size());
    if (edges.skippedTriangles > 0)
        ColouredTextLine(panel.state, kWarning,
                         "%zu triangles left out: an index past the vertices or a UV that is "
                         "no number",
                         edges.skippedTriangles);
    if (!b.InsideUnitSquare())
        ColouredTextLine(panel.state, kWarning, "UVs outside 0 to 1 (orange edges)");
}

void DrawCanvas(PanelContext& panel, UvLayoutPanel& layout, const TextureRecord* albedo)
{
    const ImVec2 available = ImGui::GetContentRegionAvail();
    const ImVec2 size(std::max(64.0f, available.x),
                      std::max(64.0f, available.y - ImGui::GetTextLineHeightWithSpacing()));
    ImGui::InvisibleButton("UV canvas", size);
    NoteItem(panel.state, "UV canvas");
    const ImVec2 corner = ImGui::GetItemRectMin();
    const PixelRect rect{corner.x, corner.y, size.x, size.y};
    if (layout.fitPending) {
        layout.view = FitUvView(layout.edges.bounds, rect);
        layout.fitPending = false;
    }
    const ImGuiIO& io = ImGui::GetIO();
    const bool hovered = ImGui::IsItemHovered();
    const PixelPoint mouse{io.MousePos.x, io.MousePos.y};
    if (hovered && io.MouseWheel != 0.0f)
        layout.view = ZoomAbout(layout.view, rect, mouse, std::pow(kWheelStep, io.MouseWheel));
    if (ImGui::IsItemActive() && ImGui::IsMouseDragging(ImGuiMouseButton_Left, 0.0f))
        layout.view = PanByPixels(layout.view, rect, io.MouseDelta.x, io.MouseDelta.y);

    ImDrawList& list = *ImGui::GetWindowDrawList();
    const ImVec2 end(corner.x + size.x, corner.y + size.y);
    list.PushClipRect(corner, end, true);
    list.AddRectFilled(corner, end, kBackground);
    DrawTexture(list, layout.view, rect, albedo);
    DrawTileLines(list, layout.view, rect);
    list.AddRect(ToImVec(UvToPixel(layout.view, rect, {0.0f, 1.0f})),
                 ToImVec(UvToPixel(layout.view, rect, {1.0f, 0.0f})), kUnitSquare, 0.0f, 0, 2.0f);
    DrawEdges(list, layout, rect);
    list.PopClipRect();

    if (hovered) {
        const UvPoint uv = PixelToUv(layout.view, rect, mouse);
        TextLine(panel.state, "u %.4f  v %.4f   (%zu of %zu edges drawn)",
                 static_cast<double>(uv.u), static_cast<double>(uv.v), layout.drawn.size(),
                 layout.edges.edges.size());
    } else {
        TextLine(panel.state, "Wheel: zoom, drag: pan   (%zu of %zu edges drawn)",
                 layout.drawn.size(), layout.edges.edges.size());
    }
}

void DrawContents(PanelContext& panel, UvLayoutPanel& layout)
{
    const std::shared_ptr<const MeshData> mesh = layout.mesh.lock();
    if (!layout.meshName.empty())
        TextLine(panel.state, "Mesh: %s", layout.meshName.c_str());
    if (!mesh && !layout.meshName.empty()) {
        ColouredTextLine(panel.state, kWarning, "The mesh is no longer shown");
        return;
    }
    const std::array<bool, 4> sets = mesh ? AvailableUvSets(*mesh) : std::array<bool, 4>{};
    if (mesh)
        DrawUvSetChooser(panel, layout, sets);
    const std::string problem = UvLayoutProblem(mesh.get(), static_cast<uint32_t>(layout.uvSet));
    if (!problem.empty()) {
        ColouredTextLine(panel.state, kWarning, "%s", problem.c_str());
        return;
    }
    if (layout.edgesSet != layout.uvSet) {
        layout.edges = ExtractUvEdges(*mesh, static_cast<uint32_t>(layout.uvSet));
        layout.edgesSet = layout.uvSet;
        layout.fitPending = true;
        layout.drawnValid = false;
    }
    float zoom = layout.view.zoom;
    ImGui::SameLine();
    ImGui::SetNextItemWidth(180.0f);
    if (ImGui::SliderFloat("Zoom", &zoom, 0.05f, 200.0f, "%.2f", ImGuiSliderFlags_Logarithmic))
        layout.view.zoom = std::clamp(zoom, kMinUvZoom, kMaxUvZoom);
    NoteItem(panel.state, "Zoom");
    ImGui::SameLine();
    if (ImGui::Button("Fit"))
        layout.fitPending = true;
    NoteItem(panel.state, "Fit");
    DrawSummary(panel, layout.edges);
    if (layout.edges.edges.empty()) {
        ColouredTextLine(panel.state, kWarning,
                         "No edges to draw: every triangle has coinciding UVs or was left out");
        return;
    }
    const std::shared_ptr<TextureRecord> albedo = layout.albedo.lock();
    DrawCanvas(panel, layout, albedo.get());
}

}  // namespace

void OpenUvLayout(InterfaceState& state, const CMeshObject* mesh)
{
    UvLayoutPanel& layout = state.uvLayout;
    layout = UvLayoutPanel{};
    layout.open = true;
    if (!mesh)
        return;
    layout.mesh = mesh->meshData;
    layout.albedo = mesh->textureSlots[0][kAlbedoSlot].texture;
    layout.meshName = mesh->name.empty() ? std::string("(unnamed)") : mesh->name;
    if (mesh->meshData) {
        const std::array<bool, 4> sets = AvailableUvSets(*mesh->meshData);
        for (int set = 0; set < static_cast<int>(sets.size()); ++set) {
            if (sets[set]) {
                layout.uvSet = set;
                break;
            }
        }
    }
}

void DrawUvLayoutWindow(PanelContext& panel)
{
    UvLayoutPanel& layout = panel.state.uvLayout;
    ImGui::SetNextWindowPos(ImVec2(430.0f, 40.0f), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(ImVec2(640.0f, 720.0f), ImGuiCond_FirstUseEver);
    bool open = true;
    if (ImGui::Begin("UV Layout", &open)) {
        if (CScene* scene = panel.engine.scene.get())
            scene->WithModel([&](CModelNode*) { DrawContents(panel, layout); });
        else
            DrawContents(panel, layout);
    }
    ImGui::End();
    if (!open)
        layout = UvLayoutPanel{};
}
