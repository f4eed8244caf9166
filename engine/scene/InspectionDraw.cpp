// The inspection overlays, drawn over the model after its pass: the selection's tint, the
// wireframe, the normal and tangent lines and the bounding box. Nothing is drawn, and no
// state changes, while all of them are off.
#include <algorithm>
#include <unordered_set>
#include <vector>

#include "graphics/GraphicsDevice.h"
#include "graphics/RenderStateGuard.h"
#include "graphics/gpu/GpuDevice.h"
#include "models/ModelNode.h"
#include "scene/InspectionGeometry.h"
#include "scene/Scene.h"
#include "shaders/LineRenderer.h"

namespace {

constexpr const char* kOverlayShader = "Overlay Colour";
constexpr std::array<float, 4> kNormalColour = {0.25f, 0.55f, 1.0f, 1.0f};
constexpr std::array<float, 4> kTangentColour = {1.0f, 0.3f, 0.25f, 1.0f};
constexpr float kBoxColour[4] = {1.0f, 0.85f, 0.2f, 1.0f};
// The selection's tint: an orange that reads on grey, white and dark materials alike.
constexpr float kSelectionTint[4] = {1.0f, 0.55f, 0.1f, 0.45f};

// Drawn where the surface is, in front of it by a little: lines and tint never fight the
// shaded surface for the same depth.
gpu::RasterizerState OverlayRasterizer(gpu::FillMode fill)
{
    gpu::RasterizerState state;
    state.fill = fill;
    state.cull = gpu::CullMode::None;
    state.depthBias = -1.0f;
    state.slopeScaledDepthBias = -1.0f;
    return state;
}

gpu::DepthStencilState OverlayDepth()
{
    gpu::DepthStencilState state;
    state.depthWrite = false;
    state.depthFunc = GL_LEQUAL;
    return state;
}

std::unordered_set<const CMeshObject*> SelectedMeshes(const CModelNode* selected)
{
    std::unordered_set<const CMeshObject*> set;
    if (!selected)
        return set;
    std::vector<CMeshObject*> meshes;
    selected->CollectMeshObjects(meshes);
    set.insert(meshes.begin(), meshes.end());
    return set;
}

}  // namespace

void CScene::DrawFlatMesh(CMeshObject& meshObject, uint32_t packedColour)
{
    if (!meshObject.vertexBuffer || !shader->SelectPixelShader(kOverlayShader))
        return;
    shader->SelectVertexFormat(meshObject.formatWord);
    if (shader->BindForDraw(meshObject.worldMatrix, &passView, packedColour))
        SubmitMesh(meshObject);
}

void CScene::DrawDirectionLines(CMeshObject& meshObject, int kind, float worldLength)
{
    const MeshData* mesh = meshObject.meshData.get();
    if (!mesh || !lines || !lines->CanDraw())
        return;
    const DirectionKind direction = static_cast<DirectionKind>(kind);
    const std::array<float, 4>& colour =
        direction == DirectionKind::Normal ? kNormalColour : kTangentColour;
    const float length = worldLength / AxisScale(meshObject.worldMatrix);
    std::vector<LineVertex> vertices;
    if (meshObject.IsSkinned()) {
        // Posed on the CPU as the vertex shader poses the mesh, each frame: the lines
        // follow the animation.
        AppendDirectionLines(*mesh, direction, length, colour, meshObject.bonePalette, vertices);
        const uint32_t bytes = static_cast<uint32_t>(vertices.size() * sizeof(LineVertex));
        if (bytes == 0)
            return;
        if (!posedLines || posedLines->ByteSize() < bytes)
            posedLines = gpu::CreateBuffer(gpu::BufferBinding::Vertex, gpu::BufferUsage::Dynamic,
                                           bytes, nullptr);
        if (posedLines && device->context->UpdateBuffer(*posedLines, vertices.data(), bytes))
            lines->DrawLineList(*device->context, posedLines,
                                static_cast<uint32_t>(vertices.size()), meshObject.worldMatrix,
                                passView);
        return;
    }
    // Unskinned: made once per mesh and length, shared by every node that places it.
    MeshData::GpuBuffers::Lines& cached = mesh->gpu->directionLines[kind];
    if (!cached.buffer || std::abs(cached.length - length) > 0.01f * length) {
        AppendDirectionLines(*mesh, direction, length, colour, {}, vertices);
        cached = {};
        cached.length = length;
        if (!vertices.empty()) {
            cached.buffer = gpu::CreateBuffer(
                gpu::BufferBinding::Vertex, gpu::BufferUsage::Immutable,
                static_cast<uint32_t>(vertices.size() * sizeof(LineVertex)), vertices.data());
            cached.vertexCount = cached.buffer ? static_cast<uint32_t>(vertices.size()) : 0;
        }
    }
    if (cached.buffer)
        lines->DrawLineList(*device->context, cached.buffer, cached.vertexCount,
                            meshObject.worldMatrix, passView);
}

void CScene::DrawInspection()
{
    const SceneOverlays& overlays = inspection.overlays;
    const bool anyMeshOverlay = overlays.wireframe || overlays.normals || overlays.tangents ||
                                inspection.selected != nullptr;
    if (!model || !shader || (!anyMeshOverlay && !overlays.bounds))
        return;
    CGraphicsDevice& device = *this->device;
    RenderStateGuard state(device);
    const gpu::DepthStencilState depth = OverlayDepth();
    state.SetDepthStencil(&depth);

    const WorldBox box = DrawnModelBox(*model);
    const std::unordered_set<const CMeshObject*> selected = SelectedMeshes(inspection.selected);
    // The same meshes the model pass drew: their world matrices and palettes are this
    // frame's.
    std::vector<CMeshObject*> drawn;
    const Float3 eye = {passView.eye[0], passView.eye[1], passView.eye[2]};
    if (anyMeshOverlay)
        model->VisitPlacedMeshes(eye, [&](CMeshObject& meshObject, const Matrix4&) {
            if (meshObject.IsDrawable() && meshObject.vertexBuffer)
                drawn.push_back(&meshObject);
        });

    if (!selected.empty()) {
        state.SetRasterizer(OverlayRasterizer(gpu::FillMode::Solid));
        state.SetBlend(device.alphaBlend.get());
        const uint32_t tint = PackOverlayColour(kSelectionTint[0], kSelectionTint[1],
                                                kSelectionTint[2], kSelectionTint[3]);
        for (CMeshObject* meshObject : drawn)
            if (selected.contains(meshObject))
                DrawFlatMesh(*meshObject, tint);
    }
    if (overlays.wireframe) {
        state.SetRasterizer(OverlayRasterizer(gpu::FillMode::Wireframe));
        const float* c = overlays.wireframeColour;
        const uint32_t colour = PackOverlayColour(c[0], c[1], c[2], 1.0f);
        for (CMeshObject* meshObject : drawn)
            DrawFlatMesh(*meshObject, colour);
    }
    const float lineLength = std::clamp(overlays.lineLength, 0.0f, 1.0f) * box.HalfDiagonal();
    if ((overlays.normals || overlays.tangents) && lineLength > 0.0f) {
        state.SetRasterizer(OverlayRasterizer(gpu::FillMode::Solid));
        for (CMeshObject* meshObject : drawn) {
            if (overlays.normals)
                DrawDirectionLines(*meshObject, static_cast<int>(DirectionKind::Normal),
                                   lineLength);
            if (overlays.tangents)
                DrawDirectionLines(*meshObject, static_cast<int>(DirectionKind::Tangent),
                                   lineLength);
        }
    }
    if (overlays.bounds && !box.empty && lines) {
        for (const auto& [start, end] : BoxEdges(box)) {
            LineSegment segment{};
            std::copy(std::begin(kBoxColour), std::end(kBoxColour), segment.color);
            std::copy(start.begin(), start.end(), segment.start);
            std::copy(end.begin(), end.end(), segment.end);
            lines->DrawLine(*device.context, segment, passView);
        }
    }
}
