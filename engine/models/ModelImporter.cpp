#include "models/ModelImporter.h"

#include <assimp/scene.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <set>
#include <string_view>

#include "models/ImportAhead.h"
#include "models/ImportWorker.h"
#include "models/LibraryImport.h"
#include "models/MeshData.h"
#include "models/ModelAnimationHooks.h"
#include "models/ModelNode.h"
#include "models/ModelTextureSource.h"
#include "models/SceneTransfer.h"
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

// The library drops a take whose key times are all equal or run backwards, silently.
void ReportDroppedTakes(const LibraryImport& imported, const std::string& path)
{
    const uint32_t kept = imported.scene->mAnimations ? imported.scene->mNumAnimations : 0;
    if (imported.fileTakes > kept)
        platform::ReportMessage(path + ": the import library dropped " +
                                    std::to_string(imported.fileTakes - kept) + " of its " +
                                    std::to_string(imported.fileTakes) +
                                    " takes (key times all equal, decreasing or negative)",
                                MessageLevelError);
}

// Says why a file never reached the library, to the caller's callback and the log.
void ReportRefusal(const std::string& refusal, const CModelImporter::ErrorCallback& callback)
{
    if (callback)
        callback(refusal);
    platform::ReportMessage(refusal, MessageLevelError);
}

std::string NoThreadText(const std::filesystem::path& path, const std::string& problem)
{
    return "Cannot load " + path.string() + ": no thread to import it on (" + problem + ")";
}

}  // namespace

std::unique_ptr<CModelNode> CModelImporter::ImportModel(
    const std::filesystem::path& path, ErrorCallback errorCallback, std::filesystem::path directory,
    uint32_t meshObjectFlags, bool materialFallbacks, AnimationOnlyFile animationOnly) const
{
    // The tree walk below recurses as deep as the imported hierarchy.
    std::unique_ptr<CModelNode> root;
    const std::string threadProblem = platform::RunWithLargeStack([&] {
        root = BuildImportedModel(ImportThroughLibraryOrAhead(path, kModelImportFlags), path,
                                  errorCallback, directory, meshObjectFlags, materialFallbacks,
                                  animationOnly);
    });
    if (!threadProblem.empty())
        ReportRefusal(NoThreadText(path, threadProblem), errorCallback);
    return root;
}

std::vector<std::unique_ptr<CModelNode>> CModelImporter::ImportModels(
    const std::vector<ModelRequest>& requests) const
{
    std::vector<std::optional<LibraryImport>> imports(requests.size());
    std::vector<std::function<void()>> libraryImports;
    for (size_t i = 0; i < requests.size(); ++i)
        libraryImports.emplace_back([&imports, &requests, i] {
            imports[i] = ImportThroughLibrary(requests[i].path, kModelImportFlags);
        });
    const std::string threadProblem = platform::RunSideBySideWithLargeStacks(libraryImports);

    std::vector<std::unique_ptr<CModelNode>> models(requests.size());
    for (size_t i = 0; i < requests.size(); ++i) {
        const ModelRequest& request = requests[i];
        if (!imports[i]) {
            ReportRefusal(NoThreadText(request.path, threadProblem), {});
            continue;
        }
        const std::string buildProblem = platform::RunWithLargeStack([&] {
            models[i] =
                BuildImportedModel(std::move(*imports[i]), request.path, {}, request.directory,
                                   request.meshObjectFlags, request.materialFallbacks,
                                   AnimationOnlyFile::HandToShownModel);
        });
        if (!buildProblem.empty())
            ReportRefusal(NoThreadText(request.path, buildProblem), {});
    }
    return models;
}

std::unique_ptr<CModelNode> CModelImporter::BuildImportedModel(
    LibraryImport imported, const std::filesystem::path& path, const ErrorCallback& errorCallback,
    const std::filesystem::path& directory, uint32_t meshObjectFlags, bool materialFallbacks,
    AnimationOnlyFile animationOnly) const
{
    auto context = std::make_unique<ModelImportContext>();
    context->materialFallbacks = materialFallbacks;
    context->errorCallback = errorCallback;
    context->path = path.string();
    context->directory = directory.string();
    context->meshObjectFlags = meshObjectFlags;
    context->textureSource = textureSource;

    // An abandoned load is the caller's to report.
    if (imported.refusal == kImportAbandoned)
        return nullptr;
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
    ReportDroppedTakes(imported, context->path);

    if (HoldsOnlyAnimation(*scene)) {
        if (animationOnly == AnimationOnlyFile::HandToShownModel || ShownModelFits(*scene)) {
            HandToShownModel(imported.scene, context->path);
            return nullptr;
        }
        context->scene = std::move(imported.scene);
        return BuildSkeletonModel(std::move(context));
    }

    context->scene = std::move(imported.scene);
    auto root = std::make_unique<CModelNode>(this, std::string());
    root->scene = scene;
    root->isRoot = 1;
    root->importContext = std::move(context);
    ModelImportContext& importContext = *root->importContext;

    importContext.sceneNodes = LayOutSceneNodes(scene->mRootNode);
    root->sceneNode = importContext.sceneNodes.IndexOf(scene->mRootNode);
    if (scene->mRootNode) {
        // One record per texture file for all meshes and blocks of this model.
        const TextureLoadSharing sharing(textureSource);
        BuildNodeTree(importContext, *root, *scene->mRootNode);
    }
    // The meshes hold their packed copies; what they were packed from is not read again.
    std::vector<const aiMesh*> packed;
    for (const auto& [meshIndex, mesh] : importContext.builtMeshes)
        if (mesh && meshIndex < scene->mNumMeshes && scene->mMeshes[meshIndex])
            packed.push_back(scene->mMeshes[meshIndex]);
    importContext.giveBackPackedArrays = [scene = importContext.scene, packed] {
        for (const aiMesh* mesh : packed)
            DiscardMeshArrays(scene, *mesh);
    };

    bool animated = false;
    for (unsigned m = 0; m < scene->mNumMeshes && scene->mMeshes; ++m) {
        if (!MeshHasBones(scene->mMeshes[m]))
            continue;
        HandAnimationToModel(*root, importContext.scene, importContext.path, scene->mMeshes[m],
                             animationHooks);
        animated = true;
    }
    // Rigid parts move with the file's animation too: the model's node animation.
    if (scene->mNumAnimations > 0 && scene->mAnimations && animationHooks.attachNodeAnimation) {
        animationHooks.attachNodeAnimation(*root, importContext.scene, importContext.path, false);
        animated = true;
    }
    // The first take plays, on skeletons and nodes alike.
    if (animated && animationHooks.addActiveAnimation)
        animationHooks.addActiveAnimation(*root, 0);
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
    ReportDroppedTakes(imported, filePath);
    HandToShownModel(imported.scene, filePath);
    return true;
}

bool CModelImporter::ShownModelFits(const aiScene& scene) const
{
    if (!shownModel)
        return false;
    bool fits = false;
    shownModel([&](CModelNode* shown) {
        const SceneNodes* nodes = shown ? shown->Nodes() : nullptr;
        if (!nodes)
            return;
        std::set<std::string_view> names;
        for (const aiNode* node : nodes->nodes)
            if (node)
                names.emplace(node->mName.C_Str(), node->mName.length);
        for (unsigned a = 0; scene.mAnimations && a < scene.mNumAnimations && !fits; ++a) {
            const aiAnimation* animation = scene.mAnimations[a];
            for (unsigned c = 0; animation && animation->mChannels && c < animation->mNumChannels;
                 ++c) {
                const aiNodeAnim* channel = animation->mChannels[c];
                if (channel &&
                    names.contains({channel->mNodeName.C_Str(), channel->mNodeName.length})) {
                    fits = true;
                    break;
                }
            }
        }
    });
    return fits;
}

std::unique_ptr<CModelNode> CModelImporter::BuildSkeletonModel(
    std::unique_ptr<ModelImportContext> context) const
{
    const aiScene& scene = *context->scene;
    auto root = std::make_unique<CModelNode>(this, std::string());
    root->scene = &scene;
    root->isRoot = 1;
    context->sceneNodes = LayOutSceneNodes(scene.mRootNode);
    root->sceneNode = context->sceneNodes.IndexOf(scene.mRootNode);
    root->importContext = std::move(context);
    ModelImportContext& importContext = *root->importContext;

    // The stand-in's box holds every node but the root, where the joints stand at rest.
    auto box = std::make_shared<MeshData>();
    box->context = &importContext;
    const SceneNodes& nodes = importContext.sceneNodes;
    bool first = true;
    for (size_t i = 1; i < nodes.Size(); ++i) {
        const Float3 at = TranslationOf(nodes.restGlobals[i]);
        for (int axis = 0; axis < 3; ++axis) {
            box->boxMin[axis] = first ? at[axis] : std::min(box->boxMin[axis], at[axis]);
            box->boxMax[axis] = first ? at[axis] : std::max(box->boxMax[axis], at[axis]);
        }
        first = false;
    }
    for (int axis = 0; axis < 3; ++axis)
        box->boundsCentre[axis] = (box->boxMin[axis] + box->boxMax[axis]) * 0.5f;
    box->boundsRadius =
        std::max(box->boxMax[0] - box->boxMin[0], box->boxMax[1] - box->boxMin[1]) * 0.5f;

    auto standIn = std::make_unique<CMeshObject>();
    standIn->name = "Skeleton";
    standIn->skeletonOnly = true;
    standIn->context = &importContext;
    standIn->modelPath = importContext.path;
    standIn->meshData = std::move(box);
    CMeshObject& skeleton = *standIn;
    root->meshObjects.push_back(std::move(standIn));

    if (animationHooks.attachNodeAnimation)
        animationHooks.attachNodeAnimation(*root, importContext.scene, importContext.path, true);
    skeleton.animationSet = root->nodeAnimation;
    if (!skeleton.animationSet) {
        ReportRefusal("Cannot load " + importContext.path + ": it holds no mesh and no skeleton",
                      importContext.errorCallback);
        return nullptr;
    }
    if (animationHooks.addActiveAnimation)
        animationHooks.addActiveAnimation(*root, 0);
    platform::ReportMessage(
        importContext.path + " holds no mesh: showing its skeleton and animation",
        MessageLevelInfo);
    return root;
}

void CModelImporter::HandToShownModel(const ImportedScenePtr& scene, const std::string& path) const
{
    if (!shownModel)
        return;
    shownModel([&](CModelNode* shown) {
        if (shown)
            HandAnimationToModel(*shown, scene, path, nullptr, animationHooks);
        else
            platform::ReportMessage("Cannot add the animation of " + path + ": no model is shown",
                                    MessageLevelError);
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
        node->sceneNode = context.sceneNodes.IndexOf(child);
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
    const Matrix4& restGlobal =
        context.sceneNodes.RestGlobal(context.sceneNodes.IndexOf(&sceneNode));
    for (unsigned i = 0; i < sceneNode.mNumMeshes; ++i) {
        const unsigned meshIndex = sceneNode.mMeshes[i];
        if (meshIndex >= scene->mNumMeshes || !scene->mMeshes[meshIndex])
            continue;
        // The scene belongs to this model: meshes are renamed after the nodes that hold
        // them, which is what the model information shows.
        aiMesh& importedMesh = *scene->mMeshes[meshIndex];
        if (sceneNode.mName.length < kMaxNodeNameForMesh)
            importedMesh.mName = sceneNode.mName;

        // A mesh that several nodes place (instances) is built and uploaded once.
        std::shared_ptr<MeshData>& mesh = context.builtMeshes[meshIndex];
        if (!mesh) {
            mesh = std::make_shared<MeshData>();
            mesh->context = &context;
            BuildMesh(context, *mesh, importedMesh, *scene);
        }

        auto meshObject = std::make_unique<CMeshObject>();
        meshObject->name = nodeName;
        meshObject->nodeRestGlobal = restGlobal;
        meshObject->Setup(mesh, &context);
        meshObject->formatWord |= context.meshObjectFlags;
        modelNode.meshObjects.push_back(std::move(meshObject));
    }
}
