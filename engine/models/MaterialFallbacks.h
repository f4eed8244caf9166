// Textures from a mesh's own material for the slots that the naming convention leaves
// empty: models made without the convention keep the look their material gives them,
// while a file named after the mesh always wins.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "models/MaterialLook.h"
#include "platform/MessageLevel.h"
#include "textures/MaterialMapPacking.h"
#include "textures/MaterialTexel.h"

struct aiScene;
class CMeshObject;
struct ModelTextureSource;

// Slots 0 to 3 (albedo, material, normal, fourth normal slot): true where discovery put a file.
using FilledSlots = std::array<bool, 4>;

// What one empty slot gets.
struct SlotChoice {
    enum class Source {
        Keep,      // the slot keeps what it has
        Embedded,  // an image the model file holds: `embeddedIndex`
        File,      // `file`, beside the model
        Missing,   // the material names `file`, which is nowhere: the checkerboard
        Colour,    // a 1 x 1 texture of `texel`
        Values,    // a 1 x 1 material texture of `values`
        Maps,      // a material texture packed from `maps`
        White,     // the built-in white square
        FlatNormal,
    };
    Source source = Source::Keep;
    std::string file;
    int embeddedIndex = -1;
    uint32_t texel = 0;
    MaterialValues values;
    MaterialMaps maps;
    std::string note;                  // the log line; empty for none
    std::vector<std::string> missing;  // texture names the material gives that are nowhere
    MessageLevel level = MessageLevelInfo;
};

struct MaterialFallbackPlan {
    SlotChoice albedo;
    SlotChoice material;
    SlotChoice normal;
};

// How a texture the material names is found. Both return nothing when it is not there.
struct MaterialTextureLookup {
    // The full path of the file the material names as `stored` (see TextureSearch.h).
    std::function<std::optional<std::string>(const std::string& stored)> file;
    // The index of the image the model file holds under this reference ("*N" or a name).
    std::function<std::optional<int>(const std::string& reference)> embedded;
};

MaterialFallbackPlan PlanMaterialFallbacks(const std::string& meshName, const MaterialLook& look,
                                           const FilledSlots& filled,
                                           const MaterialTextureLookup& lookup);

// Plans for `meshObject` from its material in `scene` and fills its empty slots in all
// 8 blocks through `source`, noting each choice in the log once.
void ApplyMaterialFallbacks(CMeshObject& meshObject, const ModelTextureSource& source,
                            const FilledSlots& filled, const aiScene& scene,
                            const std::string& directory, const std::string& modelPath);

// The index of the image `scene` holds under `reference`: "*N", or a file name compared
// without its folders.
std::optional<int> FindEmbeddedTexture(const aiScene& scene, const std::string& reference);
