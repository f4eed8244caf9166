#include "graphics/FullscreenQuad.h"

#include "api/Engine.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/gpu/GpuDevice.h"
#include "scene/CameraView.h"
#include "shaders/BaseShader.h"
#include "shaders/VertexVariants.h"

// clang-format off
const float CFullscreenQuad::kVertices[kVertexCount * 6] = {
    -1.0f, -1.0f, 0.5f, 1.0f,  0.0f, 1.0f,
    -1.0f,  1.0f, 0.5f, 1.0f,  0.0f, 0.0f,
     1.0f, -1.0f, 0.5f, 1.0f,  1.0f, 1.0f,
     1.0f,  1.0f, 0.5f, 1.0f,  1.0f, 0.0f,
     1.0f, -1.0f, 0.5f, 1.0f,  1.0f, 1.0f,
    -1.0f,  1.0f, 0.5f, 1.0f,  0.0f, 0.0f,
};
// clang-format on

namespace {

enum class ShaderBinding { NoPixelShader, NoVertexEntry, Bound };

// Selects and binds the "FullscreenQuad" pixel shader and the vertex variant of format
// 0x0400 with the pass's constants. Without compiled shaders there is nothing to select.
ShaderBinding BindFullscreenShaders(CEngine&)
{
    CBaseShader* shader = GetBaseShader();
    if (!shader || !shader->SelectPixelShader("FullscreenQuad"))
        return ShaderBinding::NoPixelShader;
    shader->SelectVertexFormat(VertexFullscreenQuad);
    const DrawView view = EngineView();
    if (!shader->BindForDraw(Matrix4::Identity(), &view, 0))
        return ShaderBinding::NoVertexEntry;
    return ShaderBinding::Bound;
}

}  // namespace

bool CFullscreenQuad::Create()
{
    vertexBuffer = gpu::CreateBuffer(gpu::BufferBinding::Vertex, gpu::BufferUsage::Default,
                                     sizeof(kVertices), kVertices);
    return vertexBuffer != nullptr;
}

bool CFullscreenQuad::Draw(CEngine& engine,
                           const std::shared_ptr<gpu::ShaderResourceView>& sceneView,
                           const ExtraViews& extraViews)
{
    if (!engine.device || !engine.device->context)
        return false;
    if (BindFullscreenShaders(engine) != ShaderBinding::Bound)
        return false;
    gpu::Context& context = *engine.device->context;
    context.SetTopology(gpu::Topology::TriangleList);
    context.BindShaderResource(0, sceneView.get());
    // Empty slots keep whatever is bound there, as the mesh draws do.
    for (uint32_t i = 0; i < extraViews.size(); ++i)
        if (extraViews[i])
            context.BindShaderResource(kFirstExtraTextureSlot + i, extraViews[i]);
    context.SetVertexBuffer(vertexBuffer, kVertexStride, 0);
    context.Draw(kVertexCount, 0);
    return true;
}
