// Single coloured world-space line segments with a shader pair of their own (the skeleton
// display draws one segment per joint).
#pragma once

#include <memory>

#include "graphics/gpu/GpuForward.h"
#include "shaders/BaseShader.h"

namespace gpu {
class ShaderProgram;
class InputLayout;
}  // namespace gpu

struct LineVertex {
    float position[3];
    float color[4];
    float unused[2];
};
static_assert(sizeof(LineVertex) == 36);

struct LineSegment {
    float color[4];
    float start[3];
    float end[3];
};

struct LineConstants {
    Matrix4 world;
    Matrix4 view;
    Matrix4 projection;
};
static_assert(sizeof(LineConstants) == 192);

class CLineRenderer {
   public:
    static constexpr uint32_t kVertexBufferBytes = 72000;

    std::shared_ptr<gpu::Buffer> vertexBuffer;
    std::shared_ptr<gpu::InputLayout> inputLayout;
    std::shared_ptr<gpu::ShaderProgram> vertexShader;
    std::shared_ptr<gpu::ShaderProgram> pixelShader;
    std::shared_ptr<gpu::Buffer> constants;

    // Compiles "shaders/lineshader.fx". When it is missing or does not compile, lines are
    // not drawn; the rest of the engine is unaffected.
    bool Initialise();
    void CreateVertexBuffer();
    bool CanDraw() const;
    // Draws one segment seen through `view` on `context`; the caller sets the depth state
    // it wants.
    void DrawLine(gpu::Context& context, const LineSegment& segment, const DrawView& view);
    // Draws `vertexCount` vertices of `vertices` (LineVertex pairs) placed by `world`.
    void DrawLineList(gpu::Context& context, const std::shared_ptr<gpu::Buffer>& vertices,
                      uint32_t vertexCount, const Matrix4& world, const DrawView& view);
};
