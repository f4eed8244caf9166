// Turns model files into model trees through the import library.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "models/ModelAnimationHooks.h"

struct aiNode;
struct aiScene;
class CModelNode;
struct LibraryImport;
struct ModelImportContext;
struct ModelTextureSource;

// Post-processing for model files: tangent space, left-handed, triangulate, smooth
// normals, split large meshes, limit bone weights, validate, cache locality, remove
// redundant materials, sort by type, find degenerates, find invalid data, generate UVs,
// find instances, optimise meshes, flip UVs, flip winding. Identical vertices are not
// joined.
constexpr unsigned kModelImportFlags = 0x01B79ECD;
// The same without validation, instance finding and mesh optimising: what the animation
// side uses for the files it imports itself.
constexpr unsigned kAnimationImportFlags = 0x01879ACD;

// What a file that holds animation and no mesh is for: clips for the model shown (what
// "Add Animation" asks), or, unless its joints are the shown model's, a skeleton to show
// (a motion-capture file opened as a model).
enum class AnimationOnlyFile { HandToShownModel, ShowUnlessShownModelFits };

// One file for CModelImporter::ImportModels, with what ImportModel would be given for it.
struct ModelRequest {
    std::filesystem::path path;
    std::filesystem::path directory;
    uint32_t meshObjectFlags = 0;
    bool materialFallbacks = true;
};

// The engine's one model importer. Nodes remember which importer built them. Its owner
// gives it what loads use, before the first load starts (loads read them from their own
// threads): without a texture source models keep empty texture slots, without hooks no
// animation is attached, without access to the shown model an animation file reaches none.
class CModelImporter {
   public:
    using ErrorCallback = std::function<void(const std::string&)>;

    const ModelTextureSource* textureSource = nullptr;
    ModelAnimationHooks animationHooks;
    ShownModelAccess shownModel;

    // Imports a model file. Returns the root of the new model, or null when the import
    // failed (reported) or the file held only animation (handed to the shown model).
    // Runs on a thread with a large stack (see LibraryImport.h). `materialFallbacks` false:
    // meshes take only the textures named after them (the viewer's own assets, which ship
    // every texture they use).
    std::unique_ptr<CModelNode> ImportModel(
        const std::filesystem::path& path, ErrorCallback errorCallback,
        std::filesystem::path directory, uint32_t meshObjectFlags, bool materialFallbacks = true,
        AnimationOnlyFile animationOnly = AnimationOnlyFile::HandToShownModel) const;

    // Imports several files as ImportModel imports each, one result per request in order.
    // Their library imports, the slow part (a worker process each), run side by side; the
    // models are then built one after another on the calling thread.
    std::vector<std::unique_ptr<CModelNode>> ImportModels(
        const std::vector<ModelRequest>& requests) const;

    // Imports a file for its animation only and hands it to the shown model. True when
    // the file was imported, whether or not a model was there to receive it.
    bool ImportAnimationFile(const std::filesystem::path& path) const;

    void BuildNodeTree(ModelImportContext& context, CModelNode& modelNode,
                       const aiNode& sceneNode) const;
    void BuildNodeMeshes(ModelImportContext& context, CModelNode& modelNode,
                         const aiNode& sceneNode) const;

   private:
    // An animation-only scene goes to the shown model, when there is one.
    void HandToShownModel(const ImportedScenePtr& scene, const std::string& path) const;
    // Whether a model is shown and some channel of `scene` drives one of its nodes.
    bool ShownModelFits(const aiScene& scene) const;
    // The model of a file with a skeleton and no mesh: a stand-in that shows the joints.
    std::unique_ptr<CModelNode> BuildSkeletonModel(
        std::unique_ptr<ModelImportContext> context) const;
    // The model of what the library made of `path`.
    std::unique_ptr<CModelNode> BuildImportedModel(LibraryImport imported,
                                                   const std::filesystem::path& path,
                                                   const ErrorCallback& errorCallback,
                                                   const std::filesystem::path& directory,
                                                   uint32_t meshObjectFlags, bool materialFallbacks,
                                                   AnimationOnlyFile animationOnly) const;
};

// The message for a failed model import: the library's text, with the FBX version hint
// appended unless the text mentions "Tokensize".
std::string ModelImportFailureText(const std::string& libraryText);
// The message for a failed animation import.
std::string AnimationImportFailureText(const std::string& libraryText);
