#include "models/MaterialFallbacks.h"

#include <assimp/material.h>
#include <assimp/scene.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <span>

#include "models/MeshObject.h"
#include "models/ModelImportContext.h"
#include "models/ModelTextureSource.h"
#include "models/TextureSearch.h"
#include "platform/Paths.h"
#include "textures/BuiltInTextures.h"
#include "textures/TextureRecord.h"

namespace {

std::string Number(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", value);
    return text;
}

std::string MeshPrefix(const std::string& meshName)
{
    return "Mesh '" + meshName + "': ";
}

uint8_t Byte(float value)
{
    return static_cast<uint8_t>(value * 255.0f + 0.5f);
}

// A texture the material names: in the model file, beside the model, or missing.
SlotChoice ChooseNamedTexture(const std::string& stored, const MaterialTextureLookup& lookup)
{
    SlotChoice choice;
    const std::string bare = BareTextureFileName(stored);
    if (lookup.embedded) {
        if (std::optional<int> index = lookup.embedded(stored)) {
            choice.source = SlotChoice::Source::Embedded;
            choice.embeddedIndex = *index;
            choice.file = bare;
            return choice;
        }
    }
    std::optional<std::string> found;
    if (lookup.file && !bare.empty())
        found = lookup.file(stored);
    if (found) {
        choice.source = SlotChoice::Source::File;
        choice.file = *found;
    } else {
        choice.source = SlotChoice::Source::Missing;
        choice.file = bare;
    }
    return choice;
}

std::string MissingNote(const std::string& meshName, const char* what, const std::string& stored)
{
    const std::string bare = BareTextureFileName(stored);
    std::string note = MeshPrefix(meshName) + what + " not found beside the model or in its " +
                       "texture folders: '" + bare + "'";
    if (bare != stored)
        note += " (the material names '" + stored + "')";
    return note;
}

// The file the material names for a slot (`what`: "texture", "normal map"), with its note.
SlotChoice ChooseMaterialTexture(const std::string& meshName, const std::string& what,
                                 const std::string& stored, const MaterialTextureLookup& lookup)
{
    SlotChoice choice = ChooseNamedTexture(stored, lookup);
    const std::string prefix =
        MeshPrefix(meshName) + "no " + what + " named after it, using the material's '";
    switch (choice.source) {
        case SlotChoice::Source::Embedded:
            choice.note = prefix + choice.file + "' held in the model file";
            break;
        case SlotChoice::Source::File:
            choice.note = prefix + BareTextureFileName(stored) + "'";
            break;
        default:
            choice.note = MissingNote(meshName, what.c_str(), stored);
            choice.level = MessageLevelError;
            choice.missing.push_back(BareTextureFileName(stored));
            break;
    }
    return choice;
}

SlotChoice PlanAlbedo(const std::string& meshName, const MaterialLook& look,
                      const MaterialTextureLookup& lookup)
{
    // A missing file keeps the checkerboard: it tells the artist a texture is missing.
    if (!look.albedoTexture.empty())
        return ChooseMaterialTexture(meshName, "texture", look.albedoTexture, lookup);
    const std::string prefix = MeshPrefix(meshName) + "no texture named after it, ";
    SlotChoice choice;
    if (look.albedoColour) {
        const std::array<float, 4>& c = *look.albedoColour;
        choice.source = SlotChoice::Source::Colour;
        choice.texel = PackRgba8(Byte(c[0]), Byte(c[1]), Byte(c[2]), 255);
        choice.note = prefix + "using the material's colour (" + Number(c[0]) + ", " +
                      Number(c[1]) + ", " + Number(c[2]) + ")";
    } else {
        choice.source = SlotChoice::Source::White;
        choice.note = MeshPrefix(meshName) +
                      "no texture named after it and its material has no colour: drawn white";
    }
    return choice;
}

// A map the material names for its roughness or metalness: its file, or nothing (noted).
std::filesystem::path PlanMap(const std::string& meshName, const char* what,
                              const std::string& stored, const MaterialTextureLookup& lookup,
                              SlotChoice& choice)
{
    if (stored.empty())
        return {};
    if (std::optional<std::string> found = lookup.file ? lookup.file(stored) : std::nullopt)
        return *found;
    choice.missing.push_back(BareTextureFileName(stored));
    choice.note += (choice.note.empty() ? "" : "; ") + MissingNote(meshName, what, stored);
    choice.level = MessageLevelError;
    return {};
}

SlotChoice PlanMaterial(const std::string& meshName, const MaterialLook& look,
                        const MaterialTextureLookup& lookup)
{
    SlotChoice choice;
    choice.source = SlotChoice::Source::Values;
    if (look.roughness)
        choice.values.roughness = *look.roughness;
    if (look.metalness)
        choice.values.metalness = *look.metalness;
    const std::filesystem::path roughnessMap =
        PlanMap(meshName, "roughness map", look.roughnessTexture, lookup, choice);
    const std::filesystem::path metalnessMap =
        PlanMap(meshName, "metalness map", look.metalnessTexture, lookup, choice);
    const std::string missingNotes = choice.note;
    const std::string prefix = MeshPrefix(meshName) + "no material texture named after it, ";
    if (!roughnessMap.empty() || !metalnessMap.empty()) {
        choice.source = SlotChoice::Source::Maps;
        choice.maps = {roughnessMap, metalnessMap, choice.values};
        choice.note =
            prefix + "using the material's " +
            (roughnessMap.empty() ? "roughness " + Number(choice.values.roughness)
                                  : "roughness map '" + roughnessMap.filename().string() + "'") +
            " and " +
            (metalnessMap.empty() ? "metalness " + Number(choice.values.metalness)
                                  : "metalness map '" + metalnessMap.filename().string() + "'");
    } else if (!look.roughness && !look.metalness) {
        choice.note = prefix + "using a neutral material (occlusion 1, roughness 0.5, metalness 0)";
    } else {
        choice.note = prefix + "using the material's roughness " + Number(choice.values.roughness) +
                      " and metalness " + Number(choice.values.metalness);
    }
    if (!missingNotes.empty())
        choice.note = missingNotes + "; " + choice.note;
    return choice;
}

SlotChoice PlanNormal(const std::string& meshName, const MaterialLook& look,
                      const MaterialTextureLookup& lookup)
{
    if (look.normalTexture.empty())
        return {};  // the flat default stays
    SlotChoice choice = ChooseMaterialTexture(meshName, "normal map", look.normalTexture, lookup);
    // A checkerboard would bend the lighting; the surface stays flat instead.
    if (choice.source == SlotChoice::Source::Missing)
        choice.source = SlotChoice::Source::FlatNormal;
    return choice;
}

TextureHandle LoadEmbedded(const ModelTextureSource& source, const aiScene& scene, int index,
                           const std::string& modelPath)
{
    const aiTexture* texture = scene.mTextures[index];
    // Only images stored as their file's bytes; raw texel arrays do not come from FBX.
    if (!texture || texture->mHeight != 0 || !texture->pcData || texture->mWidth == 0 ||
        !source.loadTextureBytes)
        return nullptr;
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(texture->pcData),
                                         texture->mWidth);
    const std::filesystem::path name = modelPath + "*" + std::to_string(index);
    // The importer's hint ("png", "tga", ...) tells a TGA, which has no signature.
    std::string extension = ".";
    for (const char* c = texture->achFormatHint; c < std::end(texture->achFormatHint) && *c; ++c)
        extension += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    return source.loadTextureBytes(name, extension, bytes);
}

TextureHandle LoadFile(const ModelTextureSource& source, const std::string& path)
{
    return source.loadTexture ? source.loadTexture(path) : nullptr;
}

TextureHandle TextureFor(const SlotChoice& choice, const ModelTextureSource& source,
                         const aiScene& scene, const std::string& modelPath)
{
    switch (choice.source) {
        case SlotChoice::Source::Embedded:
            return LoadEmbedded(source, scene, choice.embeddedIndex, modelPath);
        case SlotChoice::Source::File:
            return LoadFile(source, choice.file);
        case SlotChoice::Source::Missing:
            return source.errorTexture;
        case SlotChoice::Source::Colour:
            return source.colourTexture ? source.colourTexture(choice.texel) : nullptr;
        case SlotChoice::Source::Values:
            return source.materialTexture ? source.materialTexture(choice.values) : nullptr;
        case SlotChoice::Source::Maps:
            if (source.materialMapsTexture)
                return source.materialMapsTexture(choice.maps);
            return source.materialTexture ? source.materialTexture(choice.values) : nullptr;
        case SlotChoice::Source::White:
            return source.whiteSquare;
        case SlotChoice::Source::FlatNormal:
            return source.defaultNormalMap;
        case SlotChoice::Source::Keep:
            break;
    }
    return nullptr;
}

}  // namespace

std::optional<int> FindEmbeddedTexture(const aiScene& scene, const std::string& reference)
{
    if (!scene.mTextures || scene.mNumTextures == 0 || reference.empty())
        return std::nullopt;
    if (reference[0] == '*') {
        char* end = nullptr;
        const long index = std::strtol(reference.c_str() + 1, &end, 10);
        if (end == reference.c_str() + 1 || *end != '\0' || index < 0 ||
            index >= static_cast<long>(scene.mNumTextures))
            return std::nullopt;
        return static_cast<int>(index);
    }
    const std::string wanted = BareTextureFileName(reference);
    for (unsigned i = 0; i < scene.mNumTextures; ++i) {
        const aiTexture* texture = scene.mTextures[i];
        if (texture && BareTextureFileName(texture->mFilename.C_Str()) == wanted)
            return static_cast<int>(i);
    }
    return std::nullopt;
}

MaterialFallbackPlan PlanMaterialFallbacks(const std::string& meshName, const MaterialLook& look,
                                           const FilledSlots& filled,
                                           const MaterialTextureLookup& lookup)
{
    MaterialFallbackPlan plan;
    if (!filled[kAlbedoSlot])
        plan.albedo = PlanAlbedo(meshName, look, lookup);
    if (!filled[kMaterialSlot])
        plan.material = PlanMaterial(meshName, look, lookup);
    if (!filled[kNormalSlot])
        plan.normal = PlanNormal(meshName, look, lookup);
    return plan;
}

void ApplyMaterialFallbacks(CMeshObject& meshObject, const ModelTextureSource& source,
                            const FilledSlots& filled, const aiScene& scene,
                            const std::string& directory, const std::string& modelPath)
{
    const MeshData* mesh = meshObject.meshData.get();
    if (!mesh || !scene.mMaterials || mesh->materialIndex >= scene.mNumMaterials ||
        !scene.mMaterials[mesh->materialIndex])
        return;
    const MaterialLook look =
        ReadMaterialLook(*scene.mMaterials[mesh->materialIndex], MaterialConventionOf(scene));
    MaterialTextureLookup lookup;
    lookup.file = [&directory](const std::string& stored) -> std::optional<std::string> {
        if (std::optional<std::filesystem::path> found = FindMaterialTextureFile(directory, stored))
            return found->string();
        return std::nullopt;
    };
    lookup.embedded = [&scene](const std::string& reference) {
        return FindEmbeddedTexture(scene, reference);
    };
    const MaterialFallbackPlan plan = PlanMaterialFallbacks(meshObject.name, look, filled, lookup);
    const std::pair<int, const SlotChoice*> slots[] = {
        {kAlbedoSlot, &plan.albedo}, {kMaterialSlot, &plan.material}, {kNormalSlot, &plan.normal}};
    for (const auto& [slot, choice] : slots) {
        if (choice->source == SlotChoice::Source::Keep)
            continue;
        if (TextureHandle texture = TextureFor(*choice, source, scene, modelPath)) {
            for (TextureBlock& block : meshObject.textureSlots)
                block[slot].texture = texture;
            if (meshObject.context && !texture->isBuiltIn) {
                if (choice->source == SlotChoice::Source::File)
                    meshObject.context->texturesFound.insert(choice->file);
                if (choice->source == SlotChoice::Source::Embedded)
                    meshObject.context->texturesFound.insert(modelPath + "*" + choice->file);
                for (const auto* map : {&choice->maps.roughnessMap, &choice->maps.metalnessMap})
                    if (!map->empty())
                        meshObject.context->texturesFound.insert(map->string());
            }
        }
        if (meshObject.context)
            meshObject.context->texturesMissing.insert(choice->missing.begin(),
                                                       choice->missing.end());
        std::string& missing = meshObject.missingTextures[slot];
        for (const std::string& name : choice->missing)
            missing += (missing.empty() ? "" : ", ") + name;
        if (!choice->note.empty() && source.report)
            source.report(choice->note, choice->level);
    }
}
