// One drawable of a model: a mesh with its format word, texture slots and per-draw state.
// The model side fills the fields at import; the scene's per-mesh draw owns the GPU ones.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "graphics/gpu/GpuForward.h"
#include "math/Matrix4.h"
#include "models/MeshData.h"
#include "textures/TextureHandle.h"

struct ModelImportContext;
struct ModelTextureSource;
class AnimationSet;

// A texture bound for one slot and the UV set it is sampled with.
struct TextureSlot {
    TextureHandle texture;
    uint32_t uvSet = 0;
};

constexpr int kTextureBlockCount = 8;  // one block per material
constexpr int kSlotsPerBlock = 32;
constexpr int kExtraTextureCount = 5;
constexpr int kBonePaletteSize = 256;

// Texture slots filled by discovery in every block.
enum TextureSlotIndex : int {
    kAlbedoSlot = 0,
    kMaterialSlot = 1,
    kNormalSlot = 2,
    kFourthNormalSlot = 3,
};

using TextureBlock = std::array<TextureSlot, kSlotsPerBlock>;

class CMeshObject {
   public:
    CMeshObject();
    ~CMeshObject();
    CMeshObject(const CMeshObject&) = delete;
    CMeshObject& operator=(const CMeshObject&) = delete;

    // Copies format word, material (as texture set) and model path from the mesh and its
    // import, and finds its textures: files named after it first, then what its material
    // gives for the slots still empty. The mesh-object flags are OR-ed in by the caller.
    void Setup(std::shared_ptr<MeshData> mesh, ModelImportContext* importContext);

    // False for a mesh refused at import (no vertices): it has nothing to upload or draw.
    bool IsDrawable() const { return meshData && meshData->HasVertexData(); }
    // Skinned: its bones place its vertices, so it stands where its node stood at rest.
    bool IsSkinned() const;
    // Where the mesh is drawn when its tree's nodes place it at `placement`: its own spin
    // about its origin first.
    Matrix4 DrawnWorld(const Matrix4& placement) const { return Multiply(spinMatrix, placement); }

    uint32_t formatWord = 0;
    uint32_t textureSet = 0;  // block of texture slots bound when drawing
    std::string name;
    std::string shaderName = "PBL Default";
    Matrix4 worldMatrix = Matrix4::Identity();
    ModelImportContext* context = nullptr;  // owned by the model's root
    // Shared with the other mesh objects of nodes that place the same imported mesh.
    std::shared_ptr<MeshData> meshData;
    // The global transform of its node at rest, in the scene's space: where a skinned mesh
    // stands and the space its bone palette is built for.
    Matrix4 nodeRestGlobal = Matrix4::Identity();
    // Set for the stand-in of a file that holds a skeleton and no mesh: nothing to draw
    // but its joints.
    bool skeletonOnly = false;
    std::array<TextureBlock, kTextureBlockCount> textureSlots{};
    // Per slot 0 to 3: the file names its material gives for that slot that were found
    // nowhere, comma-separated (empty: nothing missing), for the Scene window.
    std::array<std::string, 4> missingTextures;
    std::array<TextureHandle, kExtraTextureCount> extraTextures{};
    Matrix4 spinMatrix = Matrix4::Identity();  // accumulated spin of the rotation switches
    uint32_t vertexColorMode = 0;
    // Created by the animation side; shared so that its owner need not be complete here.
    std::shared_ptr<AnimationSet> animationSet;
    // GPU buffers and the counts recorded when they are created at the first draw.
    std::shared_ptr<gpu::Buffer> vertexBuffer;
    std::shared_ptr<gpu::Buffer> indexBuffer;
    uint32_t vertexCount = 0;
    uint32_t indexCount = 0;
    uint32_t vertexStride = 0;
    std::string modelPath;
    float blendValue = 0.0f;
    std::array<Matrix4, kBonePaletteSize> bonePalette;
    Float3 rotationSwitches = {0.0f, 0.0f, 0.0f};  // 1.0 = spin about that axis
    int32_t animationSpeed = 100;
};

// Fills slots 0 to 3 of every block of `meshObject` from the texture files beside the
// model and in its texture folders (TextureSearch.h): image files whose name contains the
// mesh object's name (folder names do not count), or failing that every .dds, .tga and
// .exr file; the last two characters of the name before the extension choose the slot (_D
// albedo, _M material, _N normal, DN fourth normal slot). A file that is no image is
// skipped; each file is loaded once for all 8 blocks. Returns which of slots 0 to 3 a file
// filled.
std::array<bool, 4> DiscoverMeshTextures(CMeshObject& meshObject, const ModelTextureSource& source,
                                         const std::string& directory);
