#include "shaders/LineRenderer.h"

#include "graphics/gpu/GpuContext.h"
#include "graphics/gpu/GpuDevice.h"
#include "graphics/gpu/GpuShaders.h"
#include "platform/DebugOutput.h"
#include "shaders/ShaderCompiler.h"
#include "shaders/ShaderTranslator.h"

namespace {

constexpr const char* kLineShaderFile = "shaders/lineshader.fx";

bool CompileLineShader(const std::string& entryPoint, const std::string& target,
                       TranslatedShader& out)
{
    ShaderBytecode code;
    std::string errorText;
    if (!CompileShaderFile(kLineShaderFile, entryPoint, target, code, errorText, {}) ||
        !TranslateToGlsl(code, out, errorText)) {
        platform::DebugOutput("Line shader unavailable: " + errorText);
        return false;
    }
    return true;
}

// Where POSITION and TEXCOORD0 lie in a LineVertex.
bool LineAttributes(const std::vector<ShaderInput>& inputs,
                    std::vector<gpu::InputAttribute>& attributes)
{
    for (const ShaderInput& input : inputs) {
        if (input.semanticName == "POSITION" && input.semanticIndex == 0)
            attributes.push_back({input.location, 3, false, 0});
        else if (input.semanticName == "TEXCOORD" && input.semanticIndex == 0)
            attributes.push_back({input.location, 4, false, 12});
        else
            return false;
    }
    return true;
}

}  // namespace

bool CLineRenderer::Initialise()
{
    TranslatedShader vertex;
    TranslatedShader pixel;
    std::vector<gpu::InputAttribute> attributes;
    if (!CompileLineShader("VShader", "vs_4_0", vertex) ||
        !CompileLineShader("PShader", "ps_4_0", pixel) ||
        !LineAttributes(vertex.inputs, attributes))
        return true;
    // Linked when lines are first drawn: most frames and every plain snapshot draw none.
    vertexShader = gpu::DeferShaderProgram(gpu::ShaderStage::Vertex, vertex.glsl, "lines VShader");
    pixelShader = gpu::DeferShaderProgram(gpu::ShaderStage::Pixel, pixel.glsl, "lines PShader");
    inputLayout = gpu::CreateInputLayout(attributes);
    constants = gpu::CreateBuffer(gpu::BufferBinding::Constant, gpu::BufferUsage::Dynamic,
                                  sizeof(LineConstants), nullptr);
    return true;
}

void CLineRenderer::CreateVertexBuffer()
{
    vertexBuffer = gpu::CreateBuffer(gpu::BufferBinding::Vertex, gpu::BufferUsage::Dynamic,
                                     kVertexBufferBytes, nullptr);
}

bool CLineRenderer::CanDraw() const
{
    return vertexBuffer && inputLayout && vertexShader && pixelShader && constants;
}

void CLineRenderer::DrawLine(gpu::Context& context, const LineSegment& segment,
                             const DrawView& view)
{
    if (!CanDraw())
        return;
    LineVertex vertices[2] = {};
    for (int i = 0; i < 3; ++i) {
        vertices[0].position[i] = segment.start[i];
        vertices[1].position[i] = segment.end[i];
    }
    for (int i = 0; i < 4; ++i)
        vertices[0].color[i] = vertices[1].color[i] = segment.color[i];
    context.UpdateBuffer(*vertexBuffer, vertices, sizeof(vertices));
    DrawLineList(context, vertexBuffer, 2, Matrix4::Identity(), view);
}

void CLineRenderer::DrawLineList(gpu::Context& context,
                                 const std::shared_ptr<gpu::Buffer>& vertices, uint32_t vertexCount,
                                 const Matrix4& world, const DrawView& view)
{
    if (!CanDraw() || !vertices || vertexCount < 2)
        return;
    context.SetTopology(gpu::Topology::LineList);
    context.SetInputLayout(inputLayout);
    context.SetVertexShader(vertexShader);
    context.SetPixelShader(pixelShader);
    context.SetVertexBuffer(vertices, sizeof(LineVertex), 0);

    LineConstants lineConstants{ToShaderLayout(world),
                                ToShaderLayout(InverseRigid(view.cameraMatrix)),
                                ToShaderLayout(view.projection)};
    if (context.UpdateBuffer(*constants, &lineConstants, sizeof(lineConstants)))
        context.BindConstantBuffer(0, constants.get());
    context.Draw(vertexCount & ~1u, 0);
}
