#include "models/MeshObject.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "models/MaterialFallbacks.h"
#include "models/ModelImportContext.h"
#include "models/ModelTextureSource.h"
#include "models/TextureSearch.h"
#include "platform/Paths.h"
#include "textures/TextureRecord.h"

namespace {

// The slot that a texture file's name (without extension) asks for, by its last two
// characters.
std::optional<int> SlotForTextureName(std::string_view stem)
{
    std::string_view tail = stem.substr(stem.size() - 2);
    if (tail == "_D" || tail == "_d")
        return kAlbedoSlot;
    if (tail == "_M" || tail == "_m")
        return kMaterialSlot;
    if (tail == "_N" || tail == "_n")
        return kNormalSlot;
    if (tail == "DN" || tail == "dn")
        return kFourthNormalSlot;
    return std::nullopt;
}

bool IsTextureExtension(const std::string& path)
{
    std::string extension = platform::FileExtension(path);
    return extension == ".dds" || extension == ".tga" || extension == ".exr";
}

}  // namespace

CMeshObject::CMeshObject()
{
    bonePalette.fill(Matrix4::Identity());
}

CMeshObject::~CMeshObject() = default;

bool CMeshObject::IsSkinned() const
{
    return meshData && meshData->hasBones && context && context->boneCount > 0;
}

void CMeshObject::Setup(std::shared_ptr<MeshData> mesh, ModelImportContext* importContext)
{
    meshData = std::move(mesh);
    context = importContext;
    formatWord = meshData->format;
    // Only 8 blocks of texture slots exist; later materials share the last one rather than
    // reading past the blocks.
    textureSet = std::min<uint32_t>(meshData->materialIndex, kTextureBlockCount - 1);
    if (context)
        modelPath = context->path;
    const ModelTextureSource* source = context ? context->textureSource : nullptr;
    if (!source)
        return;
    const FilledSlots filled = DiscoverMeshTextures(*this, *source, context->directory);
    if (context->materialFallbacks && context->scene)
        ApplyMaterialFallbacks(*this, *source, filled, *context->scene, context->directory,
                               context->path);
}

std::array<bool, 4> DiscoverMeshTextures(CMeshObject& meshObject, const ModelTextureSource& source,
                                         const std::string& directory)
{
    FilledSlots filled{};
    for (TextureBlock& block : meshObject.textureSlots) {
        block[kAlbedoSlot].texture = source.errorTexture;
        block[kMaterialSlot].texture = source.blackSquare;
        block[kNormalSlot].texture = source.defaultNormalMap;
        block[kFourthNormalSlot].texture = source.defaultNormalMap;
    }
    if (!source.loadTexture && !source.loadDiscoveredTexture)
        return filled;

    // The texture folders beside the model first, the model's own folder last: a file
    // beside the model wins a slot over one in a texture folder.
    const std::filesystem::path modelFolder(directory.empty() ? "." : directory);
    std::vector<std::filesystem::path> entries;
    for (const std::filesystem::path& folder : TextureFoldersBeside(modelFolder)) {
        std::vector<std::filesystem::path> inFolder = platform::ListFiles(folder);
        entries.insert(entries.end(), inFolder.begin(), inFolder.end());
    }
    std::vector<std::filesystem::path> beside = platform::ListFiles(modelFolder);
    entries.insert(entries.end(), beside.begin(), beside.end());
    const auto& load =
        source.loadDiscoveredTexture ? source.loadDiscoveredTexture : source.loadTexture;

    // One record for all blocks; a file that is no image leaves the slot as it was.
    // The path as the directory listing gave it: any bytes are a valid folder name.
    auto fill = [&](const std::filesystem::path& fullPath, int slot) {
        TextureHandle texture = load(fullPath);
        if (!texture)
            return;
        for (TextureBlock& block : meshObject.textureSlots)
            block[slot].texture = texture;
        filled[slot] = true;
        if (meshObject.context && !texture->isBuiltIn)
            meshObject.context->texturesFound.insert(fullPath.string());
    };
    auto pass = [&](bool byName) {
        bool matched = false;
        for (const std::filesystem::path& entry : entries) {
            // The name is matched against the file's own name: a folder named after the
            // mesh must not hand it every file inside.
            const std::string fileName = entry.filename().string();
            const std::string_view stem =
                std::string_view(fileName).substr(0, fileName.find_last_of('.'));
            if (stem.size() < 3)
                continue;
            if (byName) {
                // Only an image counts: the model file itself (a mesh "Knight" in
                // Knight.fbx) or notes about it must not stop the search for textures.
                if (stem.find(meshObject.name) == std::string_view::npos || !IsImageFile(entry))
                    continue;
                matched = true;
            } else if (!IsTextureExtension(fileName)) {
                continue;
            }
            if (std::optional<int> slot = SlotForTextureName(stem))
                fill(entry, *slot);
        }
        return matched;
    };
    // Files named after the mesh win; only without any does every texture file count.
    if (!pass(true))
        pass(false);
    return filled;
}
