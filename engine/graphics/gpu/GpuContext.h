// The immediate context: binds objects and states, clears, updates buffers and draws.
// It remembers what is bound where Direct3D lets callers query it back (render target,
// viewport) and what GL needs to combine at draw time (vertex buffer with vertex layout).
// Used on the window thread only.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "graphics/gpu/GpuObjects.h"
#include "graphics/gpu/GpuShaders.h"
#include "graphics/gpu/GpuStates.h"

namespace gpu {

enum class Topology { TriangleList, LineList };

class Context {
   public:
    // The pipeline and the empty vertex array go through the release queue, like every
    // other GL object.
    Context() = default;
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    // Sets the conventions every pass relies on: top-left origin, depth 0 to 1, clockwise
    // front faces, seamless cube maps. Call once with the main context current.
    void Initialize();

    void SetRenderTarget(std::shared_ptr<RenderTargetView> colour,
                         std::shared_ptr<DepthStencilView> depth);
    const std::shared_ptr<RenderTargetView>& BoundRenderTarget() const { return boundColour; }
    const std::shared_ptr<DepthStencilView>& BoundDepthStencil() const { return boundDepth; }
    void UnbindRenderTargets() { SetRenderTarget(nullptr, nullptr); }

    // Clears ignore the bound states and masks, as Direct3D's clears do.
    void ClearRenderTarget(const RenderTargetView& target, const float colour[4]);
    // Depth textures here carry no stencil bits: only depth is cleared.
    void ClearDepth(const DepthStencilView& target, float depth);

    void SetViewport(const Viewport& viewport);
    const Viewport& CurrentViewport() const { return viewport; }

    void SetDepthStencilState(const DepthStencilState& state, uint32_t stencilRef);
    void SetRasterizerState(const RasterizerState& state);
    void SetBlendState(const BlendState& state, const float blendFactor[4], uint32_t sampleMask);
    const DepthStencilState& CurrentDepthStencilState() const { return depthStencil; }
    const RasterizerState& CurrentRasterizerState() const { return rasterizer; }
    const BlendState& CurrentBlendState() const { return blend; }

    // Binds a sampler to texture units [0, unitCount).
    void BindSampler(GLuint sampler, uint32_t unitCount);

    // Binds a texture view to texture unit `slot`, or a structured-buffer view to storage
    // binding `slot`. Null unbinds the texture unit.
    void BindShaderResource(uint32_t slot, const ShaderResourceView* view);
    void BindConstantBuffer(uint32_t slot, const Buffer* buffer);

    // Replaces the whole contents of a dynamic or default buffer ("map with discard").
    bool UpdateBuffer(const Buffer& buffer, const void* data, uint32_t byteSize);

    void SetInputLayout(std::shared_ptr<InputLayout> layout);
    void SetVertexBuffer(std::shared_ptr<Buffer> buffer, uint32_t stride, uint32_t offset);
    void SetIndexBuffer(std::shared_ptr<Buffer> buffer);
    void SetTopology(Topology topology) { this->topology = topology; }
    void SetVertexShader(std::shared_ptr<ShaderProgram> program);
    void SetPixelShader(std::shared_ptr<ShaderProgram> program);

    void Draw(uint32_t vertexCount, uint32_t startVertex);
    void DrawIndexed(uint32_t indexCount, uint32_t startIndex, int32_t baseVertex);
    // Draws issued since the context was made: tests count what a feature costs.
    uint64_t DrawCount() const { return drawCount; }

    // Copies a colour target onto the window's framebuffer, flipped so that its top row
    // (row 0) lands at the top of the window.
    void PresentToWindow(const RenderTargetView& target, uint32_t width, uint32_t height);

    // Runs `draw` on the window's framebuffer with GL's own lower-left origin and depth
    // range, which code that draws straight onto the window expects, then restores ours and
    // the bound target. Such code must save and restore any other state it changes.
    void DrawOnWindow(const std::function<void()>& draw);

   private:
    void ApplyVertexInput();
    GLenum PrimitiveMode() const;

    OwnedName pipeline;
    std::shared_ptr<RenderTargetView> boundColour;
    std::shared_ptr<DepthStencilView> boundDepth;
    Viewport viewport;
    DepthStencilState depthStencil;
    RasterizerState rasterizer;
    BlendState blend;
    std::shared_ptr<InputLayout> inputLayout;
    std::shared_ptr<Buffer> vertexBuffer;
    uint32_t vertexStride = 0;
    uint32_t vertexOffset = 0;
    std::shared_ptr<Buffer> indexBuffer;
    std::shared_ptr<ShaderProgram> vertexShader;
    std::shared_ptr<ShaderProgram> pixelShader;
    Topology topology = Topology::TriangleList;
    OwnedName emptyVertexArray;
    uint64_t drawCount = 0;
};

}  // namespace gpu
