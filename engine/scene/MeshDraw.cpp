// One mesh object's draw: first-draw upload, spin, shader selection, constants, textures.
#include <cmath>
#include <cstring>

#include "api/Engine.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/gpu/GpuDevice.h"
#include "models/ModelNode.h"
#include "scene/Scene.h"
#include "textures/TextureRecord.h"

namespace {

Matrix4 ToMatrix4(const Matrix4x4& m)
{
    Matrix4 r;
    std::memcpy(r.m, m.data(), sizeof(r.m));
    return r;
}

// Row-vector product through the draw constants' matrix type (same layout).
Matrix4x4 MultiplyRows(const Matrix4x4& a, const Matrix4x4& b)
{
    const Matrix4 product = Multiply(ToMatrix4(a), ToMatrix4(b));
    Matrix4x4 r;
    std::memcpy(r.data(), product.m, sizeof(product.m));
    return r;
}

Matrix4x4 RotationX(float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    return {1, 0, 0, 0, 0, c, -s, 0, 0, s, c, 0, 0, 0, 0, 1};
}

Matrix4x4 RotationY(float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    return {c, 0, s, 0, 0, 1, 0, 0, -s, 0, c, 0, 0, 0, 0, 1};
}

Matrix4x4 RotationZ(float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    return {c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

// Immutable buffers from the mesh data; a failed creation is retried at the next draw.
void UploadMesh(CMeshObject& meshObject)
{
    const MeshData& mesh = *meshObject.meshData;
    const uint64_t vertexBytes = static_cast<uint64_t>(mesh.vertexCount) * mesh.stride;
    const uint64_t indexBytes = mesh.indices.size() * sizeof(uint32_t);
    if (vertexBytes == 0 || vertexBytes > mesh.vertices.size() || indexBytes == 0 ||
        indexBytes > UINT32_MAX)
        return;
    auto vertices =
        gpu::CreateBuffer(gpu::BufferBinding::Vertex, gpu::BufferUsage::Immutable,
                          static_cast<uint32_t>(vertexBytes), mesh.vertices.data(), mesh.stride);
    auto indices = gpu::CreateBuffer(gpu::BufferBinding::Index, gpu::BufferUsage::Immutable,
                                     static_cast<uint32_t>(indexBytes), mesh.indices.data());
    if (!vertices || !indices)
        return;
    meshObject.vertexBuffer = std::move(vertices);
    meshObject.indexBuffer = std::move(indices);
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
    CEngine* engine = GetEngine();
    if (!engine || !engine->device || !engine->device->context || !meshObject.IsDrawable())
        return;
    gpu::Context& context = *engine->device->context;
    if (!meshObject.vertexBuffer)
        UploadMesh(meshObject);
    CBaseShader* shader = GetBaseShader();
    if (!shader || !meshObject.vertexBuffer)
        return;

    // Without a rotation switch the three rotations are identities: nothing to accumulate.
    const Float3& spin = meshObject.rotationSwitches;
    if (spin[0] != 0.0f || spin[1] != 0.0f || spin[2] != 0.0f)
        meshObject.spinMatrix = MultiplyRows(
            MultiplyRows(MultiplyRows(meshObject.spinMatrix, RotationX(frameTime * spin[0])),
                         RotationY(frameTime * spin[1])),
            RotationZ(frameTime * spin[2]));
    meshObject.worldMatrix = MultiplyRows(meshObject.worldMatrix, meshObject.spinMatrix);

    if (!shader->SelectPixelShader(meshObject.shaderName))
        return;
    shader->SelectVertexFormat(meshObject.formatWord);
    if (!shader->BindForDraw(ToMatrix4(meshObject.worldMatrix), &passView,
                             meshObject.vertexColorMode))
        return;

    // The mesh object keeps its palette in the buffer's layout: one copy, no conversion.
    static_assert(sizeof(meshObject.bonePalette) == sizeof(BonePalette));
    if (shader->bonePalette &&
        context.UpdateBuffer(*shader->bonePalette, meshObject.bonePalette.data(),
                             sizeof(meshObject.bonePalette))) {
        context.BindShaderResource(15, shader->bonePaletteView.get());
        context.BindShaderResource(16, shader->textureSlotTableView.get());
    }
    const TextureBlock& block =
        meshObject.textureSlots[meshObject.textureSet % meshObject.textureSlots.size()];
    shader->UpdateTextureSlotTable(block);
    for (uint32_t slot = 0; slot < 4; ++slot)
        context.BindShaderResource(slot, ViewOf(block[slot].texture));
    for (uint32_t i = 0; i < meshObject.extraTextures.size(); ++i)
        if (const gpu::ShaderResourceView* view = ViewOf(meshObject.extraTextures[i]))
            context.BindShaderResource(i + 4, view);

    context.SetIndexBuffer(meshObject.indexBuffer);
    context.SetVertexBuffer(meshObject.vertexBuffer, meshObject.vertexStride, 0);
    context.DrawIndexed(meshObject.indexCount, 0, 0);
}
