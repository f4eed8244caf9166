// One mesh object's draw: first-draw upload, animation, spin, shader selection, constants,
// textures, and the skeleton display.
#include <algorithm>
#include <utility>

#include "animation/AnimationSet.h"
#include "animation/JointPalette.h"
#include "animation/MeshAnimation.h"
#include "animation/SkeletonDisplay.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/RenderStateGuard.h"
#include "graphics/gpu/GpuDevice.h"
#include "math/Transforms.h"
#include "models/ModelNode.h"
#include "models/UninitialisedAllocator.h"
#include "platform/ParallelFor.h"
#include "scene/Camera.h"
#include "scene/Scene.h"
#include "shaders/LineRenderer.h"
#include "textures/TextureRecord.h"

namespace {

// Immutable buffers from the mesh data, shared by every mesh object that shows the mesh; a
// failed creation is retried at the next draw. A mesh that keeps its distinct vertices only
// is drawn from them, its corners naming their vertices' rows.
void UploadMesh(CMeshObject& meshObject)
{
    MeshData& mesh = *meshObject.meshData;
    MeshData::GpuBuffers& shared = *mesh.gpu;
    if (!shared.vertices || !shared.indices) {
        const bool placed = !mesh.vertexPlaces.empty();
        const uint64_t vertexBytes =
            placed ? mesh.vertices.size() : static_cast<uint64_t>(mesh.vertexCount) * mesh.stride;
        const uint64_t indexBytes = mesh.indices.size() * sizeof(uint32_t);
        if (vertexBytes == 0 || vertexBytes > mesh.vertices.size() || vertexBytes > UINT32_MAX ||
            indexBytes == 0 || indexBytes > UINT32_MAX)
            return;
        // An index beyond the vertices stays beyond them. Every row is written below, in
        // stretches on every core.
        std::vector<uint32_t, UninitialisedAllocator<uint32_t>> rows;
        if (placed) {
            rows.resize(mesh.indices.size());
            constexpr size_t kStretch = size_t{1} << 18;
            platform::ParallelForStretches(
                rows.size(), kStretch, [&](size_t, size_t first, size_t end) {
                    for (size_t i = first; i < end; ++i) {
                        const uint32_t index = mesh.indices[i];
                        rows[i] =
                            index < mesh.vertexPlaces.size() ? mesh.vertexPlaces[index] : index;
                    }
                });
        }
        auto vertices = gpu::CreateBuffer(gpu::BufferBinding::Vertex, gpu::BufferUsage::Immutable,
                                          static_cast<uint32_t>(vertexBytes), mesh.vertices.data(),
                                          mesh.stride);
        auto indices = gpu::CreateBuffer(gpu::BufferBinding::Index, gpu::BufferUsage::Immutable,
                                         static_cast<uint32_t>(indexBytes),
                                         placed ? rows.data() : mesh.indices.data());
        if (!vertices || !indices)
            return;
        shared.vertices = std::move(vertices);
        shared.indices = std::move(indices);
    }
    meshObject.vertexBuffer = shared.vertices;
    meshObject.indexBuffer = shared.indices;
    meshObject.vertexStride = mesh.stride;
    meshObject.vertexCount = mesh.vertexCount;
    meshObject.indexCount = static_cast<uint32_t>(mesh.indices.size());
}

const gpu::ShaderResourceView* ViewOf(const TextureHandle& record)
{
    return record ? record->view.get() : nullptr;
}

}  // namespace

void CScene::DrawMeshObject(CMeshObject& meshObject, float frameTime)
{
    // A file without mesh shows its skeleton, whatever "X-Ray joints" says; the node
    // animation it plays has advanced and posed it already.
    if (meshObject.skeletonOnly && device && device->context) {
        DrawJoints(meshObject, true);
        return;
    }
    if (!device || !device->context || !meshObject.IsDrawable())
        return;
    gpu::Context& context = *device->context;
    if (!meshObject.vertexBuffer)
        UploadMesh(meshObject);
    if (meshObject.animationSet) {
        const AdvanceOptions options = ClipAdvanceOptions();
        if (std::optional<Matrix4> joint = AdvanceAnimationSet(*meshObject.animationSet, options);
            joint && camera)
            camera->FollowJoint(*joint);
    }
    if (!shader || !meshObject.vertexBuffer)
        return;
    PoseIntoPalette(meshObject);

    // Without a rotation switch the three rotations are identities: nothing to accumulate.
    const Float3& spin = meshObject.rotationSwitches;
    if (spin[0] != 0.0f || spin[1] != 0.0f || spin[2] != 0.0f)
        meshObject.spinMatrix =
            Multiply(Multiply(Multiply(meshObject.spinMatrix, RotationX(frameTime * spin[0])),
                              RotationY(frameTime * spin[1])),
                     RotationZ(frameTime * spin[2]));
    meshObject.worldMatrix = meshObject.DrawnWorld(meshObject.worldMatrix);

    uint32_t boneView = 0;
    if (passBoneView)
        boneView = BoneViewWord(JointPaletteSlot(meshObject, passBoneView->joint),
                                passBoneView->jointCount);
    if (!shader->SelectPixelShader(passBoneView ? kBoneWeightShaderName : meshObject.shaderName))
        return;
    shader->SelectVertexFormat(meshObject.formatWord);
    if (!shader->BindForDraw(meshObject.worldMatrix, &passView, meshObject.vertexColorMode,
                             boneView)) {
        DrawJoints(meshObject);
        return;
    }

    const TextureBlock& block =
        meshObject.textureSlots[meshObject.textureSet % meshObject.textureSlots.size()];
    shader->UpdateTextureSlotTable(block);
    for (uint32_t slot = 0; slot < 4; ++slot)
        context.BindShaderResource(slot, ViewOf(block[slot].texture));
    for (uint32_t i = 0; i < meshObject.extraTextures.size(); ++i)
        if (const gpu::ShaderResourceView* view = ViewOf(meshObject.extraTextures[i]))
            context.BindShaderResource(i + 4, view);

    SubmitMesh(meshObject);
    DrawJoints(meshObject);
}

void CScene::SubmitMesh(CMeshObject& meshObject)
{
    gpu::Context& context = *device->context;
    const BonePalette palette = FillBonePalette(meshObject.bonePalette);
    if (shader->bonePalette &&
        context.UpdateBuffer(*shader->bonePalette, &palette, sizeof(palette))) {
        context.BindShaderResource(15, shader->bonePaletteView.get());
        context.BindShaderResource(16, shader->textureSlotTableView.get());
    }
    context.SetIndexBuffer(meshObject.indexBuffer);
    context.SetVertexBuffer(meshObject.vertexBuffer, meshObject.vertexStride, 0);
    context.DrawIndexed(meshObject.indexCount, 0, 0);
}

void CScene::DrawJoints(CMeshObject& meshObject, bool always)
{
    if (!meshObject.animationSet || !(always || passOptions.showJointsThroughGeometry))
        return;
    CGraphicsDevice& device = *this->device;
    CLineRenderer* lines = this->lines;
    SkeletonPainter painter;
    painter.drawLine = [this, lines, &device](const LineSegment& segment) {
        if (lines)
            lines->DrawLine(*device.context, segment, passView);
    };
    painter.drawModel = [this](CModelNode& marker, const Matrix4& world) {
        marker.transform = world;
        marker.Draw(0.0f, std::nullopt,
                    [this](CMeshObject& part, float time) { DrawMeshObject(part, time); });
    };
    // The joint markers keep their own shading in the bone-weight view.
    const BoneWeightView* boneView = std::exchange(passBoneView, nullptr);
    // Drawn through the geometry. The depth-off state exists once the host has resized the
    // engine; before that the joints are drawn with the depth test rather than not at all.
    RenderStateGuard state(device);
    state.SetDepthStencil(device.depthOff.get());
    DrawSkeleton(*meshObject.animationSet, meshObject.worldMatrix, passModelRadius, painter);
    passBoneView = boneView;
}
