// The pass that brings the floating-point scene target to the back buffer: one quad over
// the whole viewport drawn with the "FullscreenQuad" pixel shader.
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/gpu/GpuObjects.h"

class CEngine;

class CFullscreenQuad {
   public:
    // Six vertices of (x, y, z, w, u, v): two triangles covering clip space at depth 0.5,
    // v running downwards.
    static constexpr uint32_t kVertexStride = 24;
    static constexpr uint32_t kVertexCount = 6;
    static const float kVertices[kVertexCount * 6];

    bool Create();

    // Draws `sceneView` onto the bound target. The caller has bound the back buffer, the
    // depth view and the solid rasterizer state.
    void Draw(CEngine& engine, const std::shared_ptr<gpu::ShaderResourceView>& sceneView);

    std::shared_ptr<gpu::Buffer> vertexBuffer;
};
