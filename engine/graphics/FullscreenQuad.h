// The pass that brings the floating-point scene target to the back buffer: one quad over
// the whole viewport drawn with the "FullscreenQuad" pixel shader.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "graphics/gpu/GpuObjects.h"

namespace gpu {
class Context;
}

class CFullscreenQuad {
   public:
    // Six vertices of (x, y, z, w, u, v): two triangles covering clip space at depth 0.5,
    // v running downwards.
    static constexpr uint32_t kVertexStride = 24;
    static constexpr uint32_t kVertexCount = 6;
    static const float kVertices[kVertexCount * 6];

    bool Create();

    // The scene's five extra textures, read by the pass as textures 4 to 8; null where a
    // slot holds none.
    static constexpr uint32_t kFirstExtraTextureSlot = 4;
    using ExtraViews = std::array<const gpu::ShaderResourceView*, 5>;

    // Draws `sceneView` (texture 0) onto the bound target. The caller has bound the back
    // buffer, the depth view, the solid rasterizer state and the pass's shaders.
    void Draw(gpu::Context& context, const std::shared_ptr<gpu::ShaderResourceView>& sceneView,
              const ExtraViews& extraViews = {});

    std::shared_ptr<gpu::Buffer> vertexBuffer;
};
