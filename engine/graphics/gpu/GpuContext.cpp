#include "graphics/gpu/GpuContext.h"

#include <cstring>

namespace gpu {

void Context::Initialize()
{
    glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    glFrontFace(GL_CW);
    glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
    GLuint name = 0;
    glCreateProgramPipelines(1, &name);
    pipeline = OwnedName(ObjectKind::Pipeline, name);
    glBindProgramPipeline(name);
    name = 0;
    glCreateVertexArrays(1, &name);
    emptyVertexArray = OwnedName(ObjectKind::VertexArray, name);
    glBindVertexArray(name);
}

void Context::SetRenderTarget(std::shared_ptr<RenderTargetView> colour,
                              std::shared_ptr<DepthStencilView> depth)
{
    boundColour = std::move(colour);
    boundDepth = std::move(depth);
    if (!boundColour) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return;
    }
    const std::shared_ptr<Texture> depthTexture = boundDepth ? boundDepth->GetTexture() : nullptr;
    if (boundColour->attachedDepth != depthTexture) {
        glNamedFramebufferTexture(boundColour->Framebuffer(), GL_DEPTH_ATTACHMENT,
                                  depthTexture ? depthTexture->Name() : 0, 0);
        boundColour->attachedDepth = depthTexture;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, boundColour->Framebuffer());
}

void Context::ClearRenderTarget(const RenderTargetView& target, const float colour[4])
{
    glClearTexImage(target.GetTexture()->Name(), 0, GL_RGBA, GL_FLOAT, colour);
}

void Context::ClearDepth(const DepthStencilView& target, float depth)
{
    glClearTexImage(target.GetTexture()->Name(), 0, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
}

void Context::SetViewport(const Viewport& newViewport)
{
    viewport = newViewport;
    glViewportIndexedf(0, viewport.x, viewport.y, viewport.width, viewport.height);
    glDepthRangef(viewport.minDepth, viewport.maxDepth);
}

void Context::SetDepthStencilState(const DepthStencilState& state, uint32_t stencilRef)
{
    depthStencil = state;
    if (state.depthEnable)
        glEnable(GL_DEPTH_TEST);
    else
        glDisable(GL_DEPTH_TEST);
    glDepthMask(state.depthWrite ? GL_TRUE : GL_FALSE);
    glDepthFunc(state.depthFunc);
    if (state.stencilEnable)
        glEnable(GL_STENCIL_TEST);
    else
        glDisable(GL_STENCIL_TEST);
    glStencilFuncSeparate(GL_FRONT, state.front.func, static_cast<GLint>(stencilRef),
                          state.stencilReadMask);
    glStencilFuncSeparate(GL_BACK, state.back.func, static_cast<GLint>(stencilRef),
                          state.stencilReadMask);
    glStencilOpSeparate(GL_FRONT, state.front.failOp, state.front.depthFailOp, state.front.passOp);
    glStencilOpSeparate(GL_BACK, state.back.failOp, state.back.depthFailOp, state.back.passOp);
    glStencilMask(state.stencilWriteMask);
}

void Context::SetRasterizerState(const RasterizerState& state)
{
    rasterizer = state;
    glPolygonMode(GL_FRONT_AND_BACK, state.fill == FillMode::Wireframe ? GL_LINE : GL_FILL);
    if (state.cull == CullMode::None) {
        glDisable(GL_CULL_FACE);
    } else {
        glEnable(GL_CULL_FACE);
        glCullFace(state.cull == CullMode::Front ? GL_FRONT : GL_BACK);
    }
    glFrontFace(state.frontCounterClockwise ? GL_CCW : GL_CW);
    // The bias applies to whatever the fill mode draws, as it does in Direct3D: GL keeps a
    // switch per polygon mode.
    glDisable(GL_POLYGON_OFFSET_FILL);
    glDisable(GL_POLYGON_OFFSET_LINE);
    if (state.depthBias != 0.0f || state.slopeScaledDepthBias != 0.0f) {
        glEnable(state.fill == FillMode::Wireframe ? GL_POLYGON_OFFSET_LINE
                                                   : GL_POLYGON_OFFSET_FILL);
        glPolygonOffsetClamp(state.slopeScaledDepthBias, state.depthBias, state.depthBiasClamp);
    }
    if (state.depthClip)
        glDisable(GL_DEPTH_CLAMP);
    else
        glEnable(GL_DEPTH_CLAMP);
    if (state.scissor)
        glEnable(GL_SCISSOR_TEST);
    else
        glDisable(GL_SCISSOR_TEST);
    if (state.multisample)
        glEnable(GL_MULTISAMPLE);
    else
        glDisable(GL_MULTISAMPLE);
    if (state.antialiasedLines)
        glEnable(GL_LINE_SMOOTH);
    else
        glDisable(GL_LINE_SMOOTH);
}

void Context::SetBlendState(const BlendState& state, const float blendFactor[4],
                            uint32_t sampleMask)
{
    blend = state;
    if (state.alphaToCoverage)
        glEnable(GL_SAMPLE_ALPHA_TO_COVERAGE);
    else
        glDisable(GL_SAMPLE_ALPHA_TO_COVERAGE);
    const BlendTarget& t = state.target0;
    if (t.enable)
        glEnablei(GL_BLEND, 0);
    else
        glDisablei(GL_BLEND, 0);
    glBlendFuncSeparatei(0, t.srcColor, t.dstColor, t.srcAlpha, t.dstAlpha);
    glBlendEquationSeparatei(0, t.colorOp, t.alphaOp);
    glColorMaski(0, (t.writeMask & 1) != 0, (t.writeMask & 2) != 0, (t.writeMask & 4) != 0,
                 (t.writeMask & 8) != 0);
    glBlendColor(blendFactor[0], blendFactor[1], blendFactor[2], blendFactor[3]);
    glSampleMaski(0, sampleMask);
}

void Context::BindSampler(GLuint sampler, uint32_t unitCount)
{
    for (uint32_t unit = 0; unit < unitCount; ++unit)
        glBindSampler(unit, sampler);
}

void Context::BindShaderResource(uint32_t slot, const ShaderResourceView* view)
{
    if (view && view->GetBuffer()) {
        glBindBufferBase(GL_SHADER_STORAGE_BUFFER, slot, view->GetBuffer()->Name());
        return;
    }
    glBindTextureUnit(slot, view && view->GetTexture() ? view->GetTexture()->Name() : 0);
}

void Context::BindConstantBuffer(uint32_t slot, const Buffer* buffer)
{
    glBindBufferBase(GL_UNIFORM_BUFFER, slot, buffer ? buffer->Name() : 0);
}

bool Context::UpdateBuffer(const Buffer& buffer, const void* data, uint32_t byteSize)
{
    if (buffer.Usage() == BufferUsage::Immutable || byteSize > buffer.ByteSize())
        return false;
    if (buffer.Usage() == BufferUsage::Dynamic) {
        void* target = glMapNamedBufferRange(buffer.Name(), 0, buffer.ByteSize(),
                                             GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_BUFFER_BIT);
        if (!target)
            return false;
        std::memcpy(target, data, byteSize);
        return glUnmapNamedBuffer(buffer.Name()) == GL_TRUE;
    }
    glNamedBufferSubData(buffer.Name(), 0, byteSize, data);
    return true;
}

void Context::SetInputLayout(std::shared_ptr<InputLayout> layout)
{
    inputLayout = std::move(layout);
    ApplyVertexInput();
}

void Context::SetVertexBuffer(std::shared_ptr<Buffer> buffer, uint32_t stride, uint32_t offset)
{
    vertexBuffer = std::move(buffer);
    vertexStride = stride;
    vertexOffset = offset;
    ApplyVertexInput();
}

void Context::SetIndexBuffer(std::shared_ptr<Buffer> buffer)
{
    indexBuffer = std::move(buffer);
    ApplyVertexInput();
}

void Context::ApplyVertexInput()
{
    // Direct3D binds buffers and layouts separately; a GL vertex array holds both, so the
    // buffers are attached to whichever layout is current.
    const GLuint vertexArray = inputLayout ? inputLayout->VertexArray() : emptyVertexArray.Name();
    glBindVertexArray(vertexArray);
    if (vertexBuffer)
        glVertexArrayVertexBuffer(vertexArray, 0, vertexBuffer->Name(), vertexOffset,
                                  static_cast<GLsizei>(vertexStride));
    glVertexArrayElementBuffer(vertexArray, indexBuffer ? indexBuffer->Name() : 0);
}

void Context::SetVertexShader(std::shared_ptr<ShaderProgram> program)
{
    vertexShader = std::move(program);
    glUseProgramStages(pipeline.Name(), GL_VERTEX_SHADER_BIT,
                       vertexShader ? vertexShader->Name() : 0);
}

void Context::SetPixelShader(std::shared_ptr<ShaderProgram> program)
{
    pixelShader = std::move(program);
    glUseProgramStages(pipeline.Name(), GL_FRAGMENT_SHADER_BIT,
                       pixelShader ? pixelShader->Name() : 0);
}

GLenum Context::PrimitiveMode() const
{
    return topology == Topology::LineList ? GL_LINES : GL_TRIANGLES;
}

void Context::Draw(uint32_t vertexCount, uint32_t startVertex)
{
    if (!vertexShader)
        return;
    ++drawCount;
    glDrawArrays(PrimitiveMode(), static_cast<GLint>(startVertex),
                 static_cast<GLsizei>(vertexCount));
}

void Context::DrawIndexed(uint32_t indexCount, uint32_t startIndex, int32_t baseVertex)
{
    if (!vertexShader || !indexBuffer)
        return;
    ++drawCount;
    glDrawElementsBaseVertex(
        PrimitiveMode(), static_cast<GLsizei>(indexCount), GL_UNSIGNED_INT,
        reinterpret_cast<const void*>(static_cast<uintptr_t>(startIndex) * sizeof(uint32_t)),
        baseVertex);
}

void Context::PresentToWindow(const RenderTargetView& target, uint32_t width, uint32_t height)
{
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    const auto w = static_cast<GLint>(width);
    const auto h = static_cast<GLint>(height);
    glBlitNamedFramebuffer(target.Framebuffer(), 0, 0, 0, w, h, 0, h, w, 0, GL_COLOR_BUFFER_BIT,
                           GL_NEAREST);
    // Leave the draw framebuffer as the bound target expects it.
    glBindFramebuffer(GL_FRAMEBUFFER, boundColour ? boundColour->Framebuffer() : 0);
}

void Context::DrawOnWindow(const std::function<void()>& draw)
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClipControl(GL_LOWER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
    draw();
    glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    glBindFramebuffer(GL_FRAMEBUFFER, boundColour ? boundColour->Framebuffer() : 0);
}

}  // namespace gpu
