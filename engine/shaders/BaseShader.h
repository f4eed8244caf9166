// The engine's one shader object: the vertex-shader variants, the pixel shaders by display
// name, and the four buffers every draw shares with the shaders.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "graphics/gpu/GpuForward.h"
#include "models/MeshObject.h"
#include "shaders/DrawConstants.h"
#include "shaders/PixelShaderRegistry.h"
#include "shaders/ShaderBytecodeSources.h"

namespace gpu {
class ShaderProgram;
class InputLayout;
class Context;
}  // namespace gpu

class CFileWatcher;

struct VertexVariant {
    std::shared_ptr<gpu::InputLayout> inputLayout;
    std::shared_ptr<gpu::ShaderProgram> vertexShader;
    std::string entryPoint;
};

// What a draw needs from the camera: its camera-to-world matrix, the projection in use
// and the eye position.
struct DrawView {
    Matrix4 cameraMatrix;
    Matrix4 projection;
    float eye[3];
};

// The values every draw of a frame shares with the shaders, from the shader's owner.
struct ShaderFrameValues {
    float customShaderValues[5] = {};
    float totalTime = 0.0f;
    bool rightHandedTangentSpace = false;
    float cubemapParameterDegrees = 0.0f;
    int width = 0;  // the device's size
    int height = 0;
};

// What every build of the shaders follows, from the shader's owner.
struct ShaderBuildSettings {
    bool useTexturePacking = true;
    std::string customPixelShaderFile;
    std::string customPixelShaderEntry;
};

class CBaseShader {
   public:
    CBaseShader();
    ~CBaseShader();
    CBaseShader(const CBaseShader&) = delete;
    CBaseShader& operator=(const CBaseShader&) = delete;

    float lightDirection[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float lightColor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    std::shared_ptr<gpu::ShaderProgram> currentPixelShader;
    std::map<std::string, std::shared_ptr<gpu::ShaderProgram>> pixelShaders;
    std::shared_ptr<gpu::Buffer> transformConstants;
    std::shared_ptr<gpu::Buffer> shadingConstants;
    std::shared_ptr<gpu::Buffer> bonePalette;
    ShaderResourceViewPtr bonePaletteView;
    ShaderResourceViewPtr textureSlotTableView;
    std::shared_ptr<gpu::Buffer> textureSlotTable;
    std::string sourceFile;
    bool initialised = false;
    VertexVariant* currentVariant = nullptr;
    std::map<uint32_t, std::unique_ptr<VertexVariant>> variants;
    uint32_t cubeMapInfo[2] = {0, 0};

    // Given by the owner: the context the draws bind on (none: nothing is bound), the
    // watcher of the shader files, the frame's values at each draw and the settings at
    // each build (defaults while unset).
    gpu::Context* context = nullptr;
    CFileWatcher* fileWatcher = nullptr;
    std::function<ShaderFrameValues()> frameValues;
    std::function<ShaderBuildSettings()> buildSettings;
    // Start-up sets it: programs are linked by the driver when first drawn with, so a
    // snapshot or a first frame pays only for what it draws. Later builds link at once, so
    // that a program the driver refuses leaves the one before it in place.
    bool linkOnFirstUse = false;

    // Builds the fourteen variants and the buffers; with `watchFiles` every file of the
    // shader directory is registered with the file watcher.
    void Initialise(const std::string& sourceFile, bool watchFiles);
    void CreateBuffers();
    bool CompilePixelShader(std::string displayName, std::string sourceFile, std::string entryPoint,
                            bool forceCompile, std::string& errorText);
    bool SelectPixelShader(std::string displayName);
    // Whether a pixel shader of that name compiled (and so can be selected).
    bool HasPixelShader(const std::string& displayName) const;
    void SelectVertexFormat(uint32_t word);
    // Writes both constant buffers and binds the pipeline; false (nothing bound) without
    // a selected variant or pixel shader. `boneView`: BoneViewWord in the bone-weight view.
    bool BindForDraw(const Matrix4& world, const DrawView* view, uint32_t drawValue,
                     uint32_t boneView = 0);
    void UpdateTextureSlotTable(const TextureBlock& block);
    // Any change in the shader directory rebuilds every variant and pixel shader (the
    // pixel-shader table with force compile).
    void OnShaderFileChanged(std::string changedFile);

    // Compiles the given pixel shaders on all cores ahead of the registry, which then takes
    // the results in its own order (and reports failures only for rows it reaches).
    void PreparePixelShadersAhead(const std::vector<PixelShaderJob>& jobs);
    void DiscardPreparedPixelShaders() { preparedPixelShaders.clear(); }

    ShaderBuildSettings BuildSettings() const;

   private:
    struct PreparedPixel {
        bool ok = false;
        PreparedPixelShader shader;
        std::string errorText;
    };

    void RegisterShaderDirectory();
    void StoreVertexVariant(uint32_t word, const VertexVariantDesc& desc,
                            const PreparedVertexShader& prepared);

    // Keyed by source file, entry point and force flag.
    std::map<std::tuple<std::string, std::string, bool>, PreparedPixel> preparedPixelShaders;
};

// The UV set each slot of the block is sampled with: the slot's own set, 0 for a slot
// without a texture. The one rule every draw's slot table follows.
TextureSlotTable TextureSlotTableOf(const TextureBlock& block);
