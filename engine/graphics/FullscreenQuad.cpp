#include "graphics/FullscreenQuad.h"

#include "graphics/gpu/GpuContext.h"
#include "graphics/gpu/GpuDevice.h"

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

bool CFullscreenQuad::Create()
{
    vertexBuffer = gpu::CreateBuffer(gpu::BufferBinding::Vertex, gpu::BufferUsage::Default,
                                     sizeof(kVertices), kVertices);
    return vertexBuffer != nullptr;
}

void CFullscreenQuad::Draw(gpu::Context& context,
                           const std::shared_ptr<gpu::ShaderResourceView>& sceneView,
                           const ExtraViews& extraViews)
{
    context.SetTopology(gpu::Topology::TriangleList);
    context.BindShaderResource(0, sceneView.get());
    // Empty slots keep whatever is bound there, as the mesh draws do.
    for (uint32_t i = 0; i < extraViews.size(); ++i)
        if (extraViews[i])
            context.BindShaderResource(kFirstExtraTextureSlot + i, extraViews[i]);
    context.SetVertexBuffer(vertexBuffer, kVertexStride, 0);
    context.Draw(kVertexCount, 0);
}
