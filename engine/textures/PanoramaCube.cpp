#include "textures/PanoramaCube.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "graphics/FullscreenQuad.h"
#include "graphics/gpu/GpuContext.h"
#include "graphics/gpu/GpuDevice.h"
#include "math/Matrix4.h"
#include "shaders/BaseShader.h"
#include "shaders/VertexVariants.h"
#include "textures/PanoramaImage.h"

namespace {

constexpr char kShaderFile[] = "shaders/SkyConversion.fx";
constexpr char kFaceShader[] = "Sky From Panorama";
constexpr char kPrefilterShader[] = "Sky Prefilter";
constexpr uint32_t kLobeSamples = 32;
constexpr uint32_t kMaxPanoramaTaps = 4;
constexpr uint32_t kPanoramaSlot = 0;
constexpr uint32_t kSourceSkySlot = 12;
constexpr uint32_t kConversionConstantsSlot = 4;

// SkyConversionConstants of SkyConversion.fx, std140.
struct ConversionConstants {
    uint32_t face = 0;
    uint32_t panoramaTaps = 1;
    uint32_t lobeSamples = kLobeSamples;
    uint32_t reserved = 0;
    float lobeAlpha = 0.0f;
    float sourceFaceSize = 1.0f;
    float sourceMaxMip = 0.0f;
    float reserved2 = 0.0f;
};

// Puts back the target, viewport and states the conversion changed.
class ContextRestore {
   public:
    explicit ContextRestore(gpu::Context& context)
        : context(context),
          colour(context.BoundRenderTarget()),
          depth(context.BoundDepthStencil()),
          viewport(context.CurrentViewport()),
          depthStencil(context.CurrentDepthStencilState()),
          rasterizer(context.CurrentRasterizerState()),
          blend(context.CurrentBlendState())
    {
    }
    ~ContextRestore()
    {
        static constexpr float kNoBlendFactor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        context.BindShaderResource(kPanoramaSlot, nullptr);
        context.BindShaderResource(kSourceSkySlot, nullptr);
        context.SetRenderTarget(colour, depth);
        context.SetViewport(viewport);
        context.SetDepthStencilState(depthStencil, 1);
        context.SetRasterizerState(rasterizer);
        context.SetBlendState(blend, kNoBlendFactor, 0xFFFFFFFFu);
    }
    ContextRestore(const ContextRestore&) = delete;
    ContextRestore& operator=(const ContextRestore&) = delete;

   private:
    gpu::Context& context;
    std::shared_ptr<gpu::RenderTargetView> colour;
    std::shared_ptr<gpu::DepthStencilView> depth;
    gpu::Viewport viewport;
    gpu::DepthStencilState depthStencil;
    gpu::RasterizerState rasterizer;
    gpu::BlendState blend;
};

float RoughnessOfMip(uint32_t mip, uint32_t mipCount)
{
    return mipCount > 1 ? static_cast<float>(mip) / static_cast<float>(mipCount - 1) : 0.0f;
}

std::shared_ptr<gpu::Texture> CreateCube(uint32_t faceSize)
{
    gpu::TextureDesc desc;
    desc.kind = gpu::TextureKind::TextureCube;
    desc.width = desc.height = faceSize;
    desc.mipLevels = 0;
    desc.format = gpu::FormatRgba16Float();
    return gpu::CreateTexture(desc);
}

std::shared_ptr<gpu::Texture> UploadPanorama(const PanoramaImage& image)
{
    gpu::TextureDesc desc;
    desc.width = image.width;
    desc.height = image.height;
    desc.format = gpu::FormatRgba16FloatFromRgb32();
    const gpu::SubresourceData data{image.Rgb().data(),
                                    static_cast<uint32_t>(image.Rgb().size_bytes())};
    return gpu::CreateTexture(desc, std::span(&data, 1));
}

bool CompileConversionShaders(CBaseShader& shader, std::string& error)
{
    // Compiled for each conversion, so an edited shader file takes effect; the shader
    // cache makes the repeat cheap.
    return shader.CompilePixelShader(kFaceShader, kShaderFile, "PixelShader_PanoramaToFace", false,
                                     error) &&
           shader.CompilePixelShader(kPrefilterShader, kShaderFile, "PixelShader_PrefilterSky",
                                     false, error);
}

// Draws one face of one level of `target` with the selected pixel shader.
bool DrawFace(gpu::Context& context, CBaseShader& shader, CFullscreenQuad& quad,
              const gpu::Buffer& constantsBuffer, ConversionConstants constants,
              const std::shared_ptr<gpu::Texture>& target, uint32_t level, uint32_t face,
              const ShaderResourceViewPtr& panorama)
{
    auto view = gpu::CreateRenderTargetView(target, level, face);
    if (!view)
        return false;
    const auto size = static_cast<float>(std::max(1u, target->Desc().width >> level));
    context.SetRenderTarget(view, nullptr);
    context.SetViewport({0.0f, 0.0f, size, size, 0.0f, 1.0f});
    constants.face = face;
    if (!context.UpdateBuffer(constantsBuffer, &constants, sizeof(constants)) ||
        !shader.BindForDraw(Matrix4::Identity(), nullptr, 0))
        return false;
    context.BindConstantBuffer(kConversionConstantsSlot, &constantsBuffer);
    quad.Draw(context, panorama);
    return true;
}

}  // namespace

PanoramaCubePlan PlanPanoramaCube(uint32_t panoramaWidth)
{
    PanoramaCubePlan plan;
    plan.faceSize = std::bit_floor(std::clamp(panoramaWidth / 4, 1u, kMaxPanoramaFaceSize));
    plan.mipCount = static_cast<uint32_t>(std::bit_width(plan.faceSize));
    plan.panoramaTaps = std::clamp((panoramaWidth + 4 * plan.faceSize - 1) / (4 * plan.faceSize),
                                   1u, kMaxPanoramaTaps);
    // The bundled skies are baked level from level: each adds the lobe width the level
    // above lacks, at least two of its source texels. Widths of successive lobes add as
    // squares, so filtering straight from the top level takes their root sum.
    plan.lobeAlpha.assign(plan.mipCount, 0.0f);
    float total = 0.0f;
    for (uint32_t mip = 1; mip < plan.mipCount; ++mip) {
        const float alpha = std::pow(RoughnessOfMip(mip, plan.mipCount), 2.0f);
        const float previous = std::pow(RoughnessOfMip(mip - 1, plan.mipCount), 2.0f);
        const float sourceSize = static_cast<float>(plan.faceSize >> (mip - 1));
        const float increment = std::max(
            std::sqrt(std::max(alpha * alpha - previous * previous, 0.0f)), 2.0f / sourceSize);
        total += increment * increment;
        plan.lobeAlpha[mip] = std::sqrt(total);
    }
    return plan;
}

PanoramaCube RenderPanoramaCube(const PanoramaImage& image, CBaseShader& shader,
                                gpu::Context& context)
{
    PanoramaCube result;
    if (image.Rgb().size() != static_cast<size_t>(image.width) * image.height * 3 ||
        image.width == 0) {
        result.error = "the panorama holds no texels";
        return result;
    }
    if (!CompileConversionShaders(shader, result.error)) {
        if (result.error.empty())
            result.error = "the conversion shaders did not compile";
        return result;
    }
    const PanoramaCubePlan plan = PlanPanoramaCube(image.width);
    CFullscreenQuad quad;
    const ConversionConstants initial{};
    const auto constantsBuffer =
        gpu::CreateBuffer(gpu::BufferBinding::Constant, gpu::BufferUsage::Dynamic,
                          sizeof(ConversionConstants), &initial);
    const auto panorama = gpu::CreateShaderResourceView(UploadPanorama(image));
    // The top level is drawn once into a source cube whose box-filtered mips the lobe
    // samples read; the result takes its top level and the filtered levels below.
    const auto source = CreateCube(plan.faceSize);
    const auto cube = CreateCube(plan.faceSize);
    if (!quad.Create() || !constantsBuffer || !panorama || !source || !cube) {
        result.error = "the GPU refused its textures";
        return result;
    }

    const ContextRestore restore(context);
    gpu::DepthStencilState noDepth;
    noDepth.depthEnable = noDepth.depthWrite = false;
    context.SetDepthStencilState(noDepth, 0);
    context.SetRasterizerState(gpu::RasterizerState{});
    static constexpr float kNoBlendFactor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    context.SetBlendState(gpu::BlendState{}, kNoBlendFactor, 0xFFFFFFFFu);
    shader.SelectVertexFormat(VertexFullscreenQuad);

    ConversionConstants constants;
    constants.panoramaTaps = plan.panoramaTaps;
    bool drawn = shader.SelectPixelShader(kFaceShader);
    for (uint32_t face = 0; drawn && face < 6; ++face)
        drawn =
            DrawFace(context, shader, quad, *constantsBuffer, constants, source, 0, face, panorama);
    if (drawn) {
        gpu::GenerateMips(*source);
        drawn =
            gpu::CopyTextureLevel(*source, *cube, 0) && shader.SelectPixelShader(kPrefilterShader);
    }
    const auto sourceView = gpu::CreateShaderResourceView(source);
    context.BindShaderResource(kSourceSkySlot, sourceView.get());
    constants.sourceFaceSize = static_cast<float>(plan.faceSize);
    constants.sourceMaxMip = static_cast<float>(plan.mipCount - 1);
    for (uint32_t mip = 1; drawn && mip < plan.mipCount; ++mip) {
        constants.lobeAlpha = plan.lobeAlpha[mip];
        for (uint32_t face = 0; drawn && face < 6; ++face)
            drawn = DrawFace(context, shader, quad, *constantsBuffer, constants, cube, mip, face,
                             nullptr);
    }
    if (!drawn) {
        result.error = "the conversion pass could not draw";
        return result;
    }
    // Finished here, so the load's time in the log is the conversion's.
    gpu::FinishGpuWork();
    result.view = gpu::CreateShaderResourceView(cube);
    result.mipCount = plan.mipCount;
    return result;
}
