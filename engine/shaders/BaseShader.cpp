#include "shaders/BaseShader.h"

#include <thread>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <set>

#include "graphics/gpu/GpuContext.h"
#include "graphics/gpu/GpuDevice.h"
#include "graphics/gpu/GpuShaders.h"
#include "platform/DebugOutput.h"
#include "platform/FileWatcher.h"
#include "platform/ParallelFor.h"
#include "platform/Paths.h"
#include "shaders/ShaderBytecodeSources.h"
#include "shaders/ShaderRegistry.h"
#include "shaders/VertexVariants.h"
#include "textures/TextureRecord.h"

namespace {

GLint ComponentCount(VertexElementFormat format)
{
    switch (format) {
        case VertexElementFormat::Float2:
            return 2;
        case VertexElementFormat::Float3:
            return 3;
        default:
            return 4;
    }
}

std::vector<gpu::InputAttribute> AttributesOf(const VertexVariantDesc& variant,
                                              const std::vector<InputBinding>& bindings)
{
    std::vector<gpu::InputAttribute> attributes;
    for (const InputBinding& binding : bindings) {
        const VertexElement& element = variant.elements[binding.element];
        attributes.push_back({binding.location, ComponentCount(element.format),
                              element.format == VertexElementFormat::UInt4, element.offset});
    }
    return attributes;
}

std::shared_ptr<gpu::ShaderProgram> CreateProgram(gpu::ShaderStage stage, const std::string& glsl,
                                                  const std::string& what, bool linkOnFirstUse)
{
    if (linkOnFirstUse)
        return gpu::DeferShaderProgram(stage, glsl, what);
    std::string log;
    auto program = gpu::CreateShaderProgram(stage, glsl, log);
    if (!program)
        platform::DebugOutput(what + ": " + log);
    return program;
}

}  // namespace

CBaseShader::CBaseShader() = default;
CBaseShader::~CBaseShader() = default;

void CBaseShader::Initialise(const std::string& source, bool watchFiles)
{
    sourceFile = source;
    // The compiles run on every core; the variants are then made on this thread, in the
    // fixed order, with failures reported in that order too.
    struct Job {
        std::optional<VertexVariantDesc> desc;
        PreparedVertexShader prepared;
        std::string errorText;
        bool ok = false;
    };
    const bool packing = BuildSettings().useTexturePacking;
    std::vector<Job> jobs(std::size(kVertexVariantWords));
    for (size_t i = 0; i < jobs.size(); ++i)
        jobs[i].desc = FindVertexVariant(kVertexVariantWords[i], packing);
    platform::ParallelFor(jobs.size(), [&](size_t i) {
        Job& job = jobs[i];
        job.ok =
            job.desc && TryPrepareVertexShader(sourceFile, *job.desc, job.prepared, job.errorText);
    });
    for (size_t i = 0; i < jobs.size(); ++i) {
        if (!jobs[i].desc)
            continue;
        if (!jobs[i].ok) {
            ReportShaderFailure(jobs[i].errorText);
            continue;
        }
        StoreVertexVariant(kVertexVariantWords[i], *jobs[i].desc, jobs[i].prepared);
    }
    CreateBuffers();
    if (watchFiles)
        RegisterShaderDirectory();
    initialised = true;
}

void CBaseShader::RegisterShaderDirectory()
{
    if (!fileWatcher)
        return;
    // Every name in any shader folder, watched once by its data path, which follows the
    // lookup order: a user's copy is the file that counts. An unreadable folder adds nothing.
    std::set<std::string> names;
    for (const auto& directory : platform::ShaderDirectories(platform::ProgramDataLayout())) {
        for (const auto& file : platform::ListFiles(directory))
            names.insert(file.filename().string());
    }
    for (const std::string& name : names)
        fileWatcher->Watch("shaders/" + name,
                           [this](const std::string& file) { OnShaderFileChanged(file); });
}

void CBaseShader::StoreVertexVariant(uint32_t word, const VertexVariantDesc& desc,
                                     const PreparedVertexShader& prepared)
{
    auto layout = gpu::CreateInputLayout(AttributesOf(desc, prepared.bindings));
    if (!layout)
        return;
    auto variant = std::make_unique<VertexVariant>();
    variant->inputLayout = std::move(layout);
    variant->vertexShader = CreateProgram(gpu::ShaderStage::Vertex, prepared.shader.glsl,
                                          desc.entryPoint, linkOnFirstUse);
    variant->entryPoint = desc.entryPoint;
    variants[word] = std::move(variant);
}

void CBaseShader::PreparePixelShadersAhead(const std::vector<PixelShaderJob>& jobs)
{
    const bool packing = BuildSettings().useTexturePacking;
    preparedPixelShaders.clear();
    std::vector<PreparedPixel> results(jobs.size());
    platform::ParallelFor(jobs.size(), [&](size_t i) {
        const PixelShaderJob& job = jobs[i];
        results[i].ok = TryPreparePixelShader(job.sourceFile, job.entryPoint, job.forceCompile,
                                              packing, results[i].shader, results[i].errorText);
    });
    for (size_t i = 0; i < jobs.size(); ++i)
        preparedPixelShaders[{jobs[i].sourceFile, jobs[i].entryPoint, jobs[i].forceCompile}] =
            std::move(results[i]);
}

void CBaseShader::CreateBuffers()
{
    transformConstants.reset();
    shadingConstants.reset();
    bonePalette.reset();
    bonePaletteView.reset();
    textureSlotTable.reset();
    textureSlotTableView.reset();
    transformConstants = gpu::CreateBuffer(gpu::BufferBinding::Constant, gpu::BufferUsage::Dynamic,
                                           sizeof(TransformConstants), nullptr);
    shadingConstants = gpu::CreateBuffer(gpu::BufferBinding::Constant, gpu::BufferUsage::Dynamic,
                                         sizeof(ShadingConstants), nullptr);
    bonePalette = gpu::CreateBuffer(gpu::BufferBinding::Structured, gpu::BufferUsage::Dynamic,
                                    sizeof(BonePalette), nullptr, sizeof(Matrix4));
    if (!bonePalette)
        return;
    bonePaletteView = gpu::CreateShaderResourceView(bonePalette);
    textureSlotTable = gpu::CreateBuffer(gpu::BufferBinding::Structured, gpu::BufferUsage::Dynamic,
                                         sizeof(TextureSlotTable), nullptr, sizeof(uint32_t));
    if (textureSlotTable)
        textureSlotTableView = gpu::CreateShaderResourceView(textureSlotTable);
}

bool CBaseShader::CompilePixelShader(std::string displayName, std::string source,
                                     std::string entryPoint, bool forceCompile,
                                     std::string& errorText)
{
    const bool packing = BuildSettings().useTexturePacking;
    PreparedPixelShader prepared;
    const auto ahead = preparedPixelShaders.find({source, entryPoint, forceCompile});
    if (ahead != preparedPixelShaders.end()) {
        if (!ahead->second.ok) {
            errorText = ahead->second.errorText;
            ReportShaderFailure(errorText);
            return false;
        }
        prepared = std::move(ahead->second.shader);
        preparedPixelShaders.erase(ahead);
    } else if (!PreparePixelShader(source, entryPoint, forceCompile, packing, prepared,
                                   errorText)) {
        return false;  // already reported
    }
    pixelShaders[displayName] =
        CreateProgram(gpu::ShaderStage::Pixel, prepared.shader.glsl, entryPoint, linkOnFirstUse);
    return true;
}

bool CBaseShader::SelectPixelShader(std::string displayName)
{
    currentPixelShader = pixelShaders[displayName];
    return currentPixelShader != nullptr;
}

bool CBaseShader::HasPixelShader(const std::string& displayName) const
{
    const auto found = pixelShaders.find(displayName);
    return found != pixelShaders.end() && found->second != nullptr;
}

void CBaseShader::SelectVertexFormat(uint32_t word)
{
    currentVariant = variants[word].get();
}

bool CBaseShader::BindForDraw(const Matrix4& world, const DrawView* view, uint32_t drawValue,
                              uint32_t boneView)
{
    if (!currentVariant || !currentPixelShader)
        return false;
    if (!context)
        return false;
    if (view && transformConstants) {
        const ShaderFrameValues frame = frameValues ? frameValues() : ShaderFrameValues{};
        TransformInputs in{};
        in.world = world;
        in.cameraMatrix = view->cameraMatrix;
        in.projection = view->projection;
        std::memcpy(in.customShaderValues, frame.customShaderValues, sizeof(in.customShaderValues));
        in.totalTime = frame.totalTime;
        in.rightHandedTangentSpace = frame.rightHandedTangentSpace;
        in.cubemapParameterDegrees = frame.cubemapParameterDegrees;
        const TransformConstants transform = FillTransformConstants(in);
        if (context->UpdateBuffer(*transformConstants, &transform, sizeof(transform))) {
            context->BindConstantBuffer(0, transformConstants.get());
            ShadingInputs shading{};
            std::memcpy(shading.eye, view->eye, sizeof(shading.eye));
            std::memcpy(shading.lightDirection, lightDirection, sizeof(lightDirection));
            std::memcpy(shading.lightColor, lightColor, sizeof(lightColor));
            shading.cubeMapInfo[0] = cubeMapInfo[0];
            shading.cubeMapInfo[1] = cubeMapInfo[1];
            shading.drawValue = drawValue;
            shading.boneView = boneView;
            shading.width = frame.width;
            shading.height = frame.height;
            const ShadingConstants constants = FillShadingConstants(shading);
            if (shadingConstants &&
                context->UpdateBuffer(*shadingConstants, &constants, sizeof(constants)))
                context->BindConstantBuffer(3, shadingConstants.get());
        }
    }
    context->SetInputLayout(currentVariant->inputLayout);
    context->SetTopology(gpu::Topology::TriangleList);
    context->SetVertexShader(currentVariant->vertexShader);
    context->SetPixelShader(currentPixelShader);
    return true;
}

TextureSlotTable TextureSlotTableOf(const TextureBlock& block)
{
    static_assert(std::tuple_size_v<TextureBlock> == kTextureSlotCount);
    TextureSlotTable table{};
    for (size_t i = 0; i < kTextureSlotCount; ++i)
        table.values[i] = block[i].texture ? block[i].uvSet : 0;
    return table;
}

void CBaseShader::UpdateTextureSlotTable(const TextureBlock& block)
{
    if (!context || !textureSlotTable)
        return;
    const TextureSlotTable table = TextureSlotTableOf(block);
    if (!context->UpdateBuffer(*textureSlotTable, &table, sizeof(table)))
        return;
    context->BindConstantBuffer(1, textureSlotTable.get());
}

void CBaseShader::OnShaderFileChanged(std::string)
{
    if (!initialised)
        return;
    currentVariant = nullptr;
    currentPixelShader.reset();
    variants.clear();
    pixelShaders.clear();
    transformConstants.reset();
    shadingConstants.reset();
    bonePalette.reset();
    initialised = false;
    Initialise(sourceFile, false);
    CompilePixelShaderTable(*this, true);
    // Editors often write a file in several steps; a short pause lets the last one land
    // before the next scan.
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
}

ShaderBuildSettings CBaseShader::BuildSettings() const
{
    return buildSettings ? buildSettings() : ShaderBuildSettings{};
}
