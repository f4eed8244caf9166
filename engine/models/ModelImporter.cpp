#include "models/ModelImporter.h"

#include <assimp/scene.h>

#include <cstring>
#include <new>
#include <optional>

#include "models/LibraryImport.h"
#include "models/MeshData.h"
#include "models/ModelAnimationHooks.h"
#include "models/ModelNode.h"
#include "models/ModelTextureSource.h"
#include "platform/DebugOutput.h"
#include "platform/LargeStackThread.h"
#include "platform/Log.h"

namespace {

constexpr unsigned kMaxNodeNameForMesh = 1024;

bool HoldsOnlyAnimation(const aiScene& scene)
{
    return (scene.mNumMeshes == 0 || !scene.mMeshes) && scene.mNumAnimations > 0 &&
           scene.mAnimations;
}

bool MeshHasBones(const aiMesh* mesh)
{
    return mesh && mesh->mBones && mesh->mNumBones > 0;
}

// The float value stored under `key` in a node's metadata, if there is one of that type.
std::optional<float> MetadataFloat(const aiMetadata& metadata, const char* key)
{
    const size_t keyLength = std::strlen(key);
    for (unsigned i = 0; i < metadata.mNumProperties && metadata.mKeys && metadata.mValues; ++i) {
        const aiString& name = metadata.mKeys[i];
        if (name.length != keyLength || std::memcmp(name.data, key, keyLength) != 0)
            continue;
        const aiMetadataEntry& entry = metadata.mValues[i];
        if (entry.mType == AI_FLOAT && entry.mData)
            return *static_cast<const float*>(entry.mData);
        return std::nullopt;
    }
    return std::nullopt;
}

LodRange ReadLodRange(const aiMetadata& metadata)
{
    LodRange range;
    if (std::optional<float> start = MetadataFloat(metadata, "LOD_distStart"))
        range.start = *start;
    if (std::optional<float> end = MetadataFloat(metadata, "LOD_distEnd"))
        range.end = *end;
    return range;
}

bool AnimatesCamera0(const aiScene& scene)
{
    if (scene.mNumCameras == 0 || !scene.mCameras || scene.mNumAnimations == 0 ||
        !scene.mAnimations || !scene.mAnimations[0])
        return false;
    const aiString& cameraName = scene.mCameras[0]->mName;
    const aiAnimation& animation = *scene.mAnimations[0];
    for (unsigned c = 0; c < animation.mNumChannels && animation.mChannels; ++c) {
        if (animation.mChannels[c] && animation.mChannels[c]->mNodeName == cameraName)
            return true;
    }
    return false;
}

}  // namespace

std::string ModelImportFailureText(const std::string& libraryText)
{
    // Every failure but one naming "Tokensize" gets the exporter-settings hint. The
    // library's own tokenizer failures read "FBX-Tokenize ...", so they get it too.
    if (libraryText.find("Tokensize") != std::string::npos)
        return libraryText;
    return libraryText + " : check if you exported with settings: FBX 2014/2015";
}

std::string AnimationImportFailureText(const std::string& libraryText)
{
    if (libraryText.find("Tokensize") != std::string::npos)
        return libraryText;
    return libraryText + " :File error, Basic layout is missing, are the UV Coordinates present?";
}

namespace {

// Says why a file never reached the library, to the caller's callback and the log.
void ReportRefusal(const std::string& refusal, const CModelImporter::ErrorCallback& callback)
{
    if (callback)
        callback(refusal);
    platform::ReportMessage(refusal, MessageLevelError);
}

}  // namespace

std::unique_ptr<CModelNode> CModelImporter::ImportModel(const std::filesystem::path& path,
                                                        ErrorCallback errorCallback,
                                                        std::filesystem::path directory,
                                                        uint32_t meshObjectFlags,
                                                        bool materialFallbacks) const
{
    // The tree walk below recurses as deep as the imported hierarchy.
    std::unique_ptr<CModelNode> root;
    const std::string threadProblem = platform::RunWithLargeStack([&] {
        root = ImportModelOnLargeStack(path, errorCallback, directory, meshObjectFlags,
                                       materialFallbacks);
    });
    if (!threadProblem.empty())
        ReportRefusal(
            "Cannot load " + path.string() + ": no thread to import it on (" + threadProblem + ")",
            errorCallback);
    return root;
}

std::unique_ptr<CModelNode> CModelImporter::ImportModelOnLargeStack(
    const std::filesystem::path& path, const ErrorCallback& errorCallback,
    const std::filesystem::path& directory, uint32_t meshObjectFlags, bool materialFallbacks) const
{
    auto context = std::make_unique<ModelImportContext>();
    context->materialFallbacks = materialFallbacks;
    context->errorCallback = errorCallback;
    context->path = path.string();
    context->directory = directory.string();
    context->meshObjectFlags = meshObjectFlags;
    context->textureSource = textureSource;

    LibraryImport imported = ImportThroughLibrary(path, kModelImportFlags);
    if (!imported.refusal.empty()) {
        ReportRefusal(imported.refusal, context->errorCallback);
        return nullptr;
    }
    if (!imported.scene) {
        const std::string& libraryText = imported.libraryText;
        if (context->errorCallback)
            context->errorCallback(libraryText);
        const std::string message = ModelImportFailureText(libraryText);
        if (context->errorCallback)
            context->errorCallback(message);
        platform::ReportMessage(message, MessageLevelError);
        platform::DebugOutput(libraryText);
        return nullptr;
    }
    const aiScene* scene = imported.scene.get();

    if (HoldsOnlyAnimation(*scene)) {
        HandToShownModel(imported.scene, context->path);
        return nullptr;
    }

    context->scene = std::move(imported.scene);
    auto root = std::make_unique<CModelNode>(this, std::string());
    root->scene = scene;
    root->isRoot = 1;
    root->importContext = std::move(context);
    ModelImportContext& importContext = *root->importContext;

    if (scene->mRootNode) {
        // One record per texture file for all meshes and blocks of this model.
        const TextureLoadSharing sharing(textureSource);
        BuildNodeTree(importContext, *root, *scene->mRootNode);
    }

    for (unsigned m = 0; m < scene->mNumMeshes && scene->mMeshes; ++m) {
        if (!MeshHasBones(scene->mMeshes[m]))
            continue;
        HandAnimationToModel(*root, importContext.scene, importContext.path, scene->mMeshes[m],
                             animationHooks);
        if (animationHooks.addActiveAnimation)
            animationHooks.addActiveAnimation(*root, 0);
    }
    if (AnimatesCamera0(*scene) && animationHooks.buildCameraClip)
        animationHooks.buildCameraClip(*root, importContext.scene);
    return root;
}

bool CModelImporter::ImportAnimationFile(const std::filesystem::path& path) const
{
    const std::string filePath = path.string();
    LibraryImport imported = ImportThroughLibrary(path, kModelImportFlags);
    if (!imported.refusal.empty()) {
        platform::ReportMessage(imported.refusal, MessageLevelError);
        return false;
    }
    if (!imported.scene) {
        platform::ReportMessage(AnimationImportFailureText(imported.libraryText),
                                MessageLevelError);
        return false;
    }
    HandToShownModel(imported.scene, filePath);
    return true;
}

void CModelImporter::HandToShownModel(const ImportedScenePtr& scene, const std::string& path) const
{
    if (!shownModel)
        return;
    shownModel([&](CModelNode* shown) {
        if (shown)
            HandAnimationToModel(*shown, scene, path, nullptr, animationHooks);
    });
}

void CModelImporter::BuildNodeTree(ModelImportContext& context, CModelNode& modelNode,
                                   const aiNode& sceneNode) const
{
    context.currentNodeMetadata = sceneNode.mMetaData;
    if (sceneNode.mNumChildren == 0 || !sceneNode.mChildren) {
        if (sceneNode.mNumMeshes > 0)
            BuildNodeMeshes(context, modelNode, sceneNode);
        return;
    }
    for (unsigned c = 0; c < sceneNode.mNumChildren; ++c) {
        const aiNode* child = sceneNode.mChildren[c];
        if (!child)
            continue;
        const bool isLodNode = std::strstr(child->mName.C_Str(), "LOD_") != nullptr;
        if (child->mNumMeshes == 0 && !isLodNode) {
            // A plain grouping node: its content joins this model node.
            BuildNodeTree(context, modelNode, *child);
            continue;
        }
        auto node = std::make_unique<CModelNode>(
            modelNode.importer, std::string(child->mName.C_Str(), child->mName.length));
        // The range comes from the LOD node's own metadata, whatever node the walk
        // entered before it.
        if (isLodNode && child->mMetaData)
            node->lodRange = std::make_unique<LodRange>(ReadLodRange(*child->mMetaData));
        BuildNodeTree(context, *node, *child);
        modelNode.children.push_back(std::move(node));
    }
    if (sceneNode.mNumMeshes > 0)
        BuildNodeMeshes(context, modelNode, sceneNode);
}

void CModelImporter::BuildNodeMeshes(ModelImportContext& context, CModelNode& modelNode,
                                     const aiNode& sceneNode) const
{
    const aiScene* scene = context.scene.get();
    if (!scene || !scene->mMeshes || !sceneNode.mMeshes)
        return;
    const std::string nodeName(sceneNode.mName.C_Str(), sceneNode.mName.length);
    for (unsigned i = 0; i < sceneNode.mNumMeshes; ++i) {
        const unsigned meshIndex = sceneNode.mMeshes[i];
        if (meshIndex >= scene->mNumMeshes || !scene->mMeshes[meshIndex])
            continue;
        // The scene belongs to this model: meshes are renamed after the nodes that hold
        // them, which is what the model information shows.
        aiMesh& importedMesh = *scene->mMeshes[meshIndex];
        if (sceneNode.mName.length < kMaxNodeNameForMesh)
            importedMesh.mName = sceneNode.mName;

        auto mesh = std::make_unique<MeshData>();
        mesh->context = &context;
        BuildMesh(context, *mesh, importedMesh, *scene);

        auto meshObject = std::make_unique<CMeshObject>();
        meshObject->name = nodeName;
        meshObject->Setup(std::move(mesh), &context);
        meshObject->formatWord |= context.meshObjectFlags;
        modelNode.meshObjects.push_back(std::move(meshObject));
    }
}
