// Helpers shared by the model and animation tests: the engine's message log, small imported
// scenes built in memory for cases that no model file shows, a hand-built model tree and a
// texture source that records what it loads.
#pragma once

#include <assimp/material.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "api/Engine.h"
#include "api/EngineStartup.h"
#include "models/ModelAnimationHooks.h"
#include "models/ModelNode.h"
#include "models/ModelTextureSource.h"
#include "scene/Scene.h"
#include "support/ScratchDirectory.h"
#include "textures/TextureRecord.h"

namespace modeltest {

inline const std::string kFbxDir = "/usr/share/assimp/models/FBX/";

// Every test starts with a fresh engine log and a scratch folder of its own.
class ModelTest : public ::testing::Test {
   protected:
    void SetUp() override
    {
        CreateEngineObject();
        GetEngine()->scene = std::make_unique<CScene>();
        ConnectScene(*GetEngine(), *GetEngine()->scene);
        GetEngine()->reloadRequested = false;
    }

    static std::vector<std::string> LogTexts(size_t from = 0)
    {
        std::vector<std::string> texts;
        for (const CMessageLog::Entry& entry : GetEngine()->scene->log.EntriesFrom(from))
            texts.push_back(entry.text);
        return texts;
    }
    testing_support::ScratchDirectory scratch;
};

// The file of the model the engine's scene shows; empty when none.
inline std::string ShownModelPath()
{
    std::string path;
    GetEngine()->scene->WithModel([&](CModelNode* model) {
        if (model && model->importContext)
            path = model->importContext->path;
    });
    return path;
}

// A mesh of `count` vertices with positions (i, 2i, 3i), UV set 0 (i, -i) and one
// triangle per three vertices. Further attributes are added by the tests.
inline aiMesh* MakeMesh(unsigned count)
{
    auto* mesh = new aiMesh;
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh->mNumVertices = count;
    mesh->mVertices = new aiVector3D[count];
    mesh->mTextureCoords[0] = new aiVector3D[count];
    mesh->mNumUVComponents[0] = 2;
    for (unsigned i = 0; i < count; ++i) {
        mesh->mVertices[i] = aiVector3D(float(i), float(2 * i), float(3 * i));
        mesh->mTextureCoords[0][i] = aiVector3D(float(i), -float(i), 7.0f);
    }
    mesh->mNumFaces = count / 3;
    mesh->mFaces = new aiFace[mesh->mNumFaces];
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        mesh->mFaces[f].mNumIndices = 3;
        mesh->mFaces[f].mIndices = new unsigned[3]{3 * f, 3 * f + 1, 3 * f + 2};
    }
    return mesh;
}

inline aiVector3D* FilledVectors(unsigned count, aiVector3D value)
{
    auto* vectors = new aiVector3D[count];
    std::fill_n(vectors, count, value);
    return vectors;
}

// Bones of the given names, each with its vertex weights.
inline void SetBones(aiMesh& mesh,
                     const std::vector<std::pair<std::string, std::vector<aiVertexWeight>>>& bones)
{
    mesh.mNumBones = static_cast<unsigned>(bones.size());
    mesh.mBones = new aiBone*[bones.size()];
    for (size_t b = 0; b < bones.size(); ++b) {
        auto* bone = mesh.mBones[b] = new aiBone;
        bone->mName = aiString(bones[b].first);
        bone->mNumWeights = static_cast<unsigned>(bones[b].second.size());
        bone->mWeights = new aiVertexWeight[bone->mNumWeights];
        std::copy(bones[b].second.begin(), bones[b].second.end(), bone->mWeights);
    }
}

// A scene owning `meshes` and `materialCount` empty materials, with a bare root node.
inline std::unique_ptr<aiScene> MakeScene(std::vector<aiMesh*> meshes, unsigned materialCount = 1)
{
    auto scene = std::make_unique<aiScene>();
    scene->mNumMeshes = static_cast<unsigned>(meshes.size());
    scene->mMeshes = new aiMesh*[meshes.size() + 1];
    std::copy(meshes.begin(), meshes.end(), scene->mMeshes);
    scene->mNumMaterials = materialCount;
    scene->mMaterials = new aiMaterial*[materialCount + 1];
    for (unsigned i = 0; i < materialCount; ++i)
        scene->mMaterials[i] = new aiMaterial;
    scene->mRootNode = new aiNode("RootNode");
    return scene;
}

// A scene node with the given meshes, appended to `parent`.
inline aiNode* AddNode(aiNode& parent, const char* name, std::vector<unsigned> meshes = {})
{
    auto* node = new aiNode(name);
    node->mNumMeshes = static_cast<unsigned>(meshes.size());
    node->mMeshes = new unsigned[meshes.size()];
    std::copy(meshes.begin(), meshes.end(), node->mMeshes);
    parent.addChildren(1, &node);
    return node;
}

// One animation whose channels move the named nodes along x by `step` per tick (key k at
// tick k), with a single identity rotation and unit scaling key each. A tick rate of 0: the
// file gives none.
inline void AddAnimation(aiScene& scene, const std::vector<std::string>& nodes, unsigned keys = 2,
                         double ticksPerSecond = 25.0, float step = 1.0f)
{
    scene.mNumAnimations = 1;
    scene.mAnimations = new aiAnimation* [1] { new aiAnimation };
    aiAnimation& animation = *scene.mAnimations[0];
    animation.mTicksPerSecond = ticksPerSecond;
    animation.mDuration = keys - 1;
    animation.mNumChannels = static_cast<unsigned>(nodes.size());
    animation.mChannels = new aiNodeAnim*[nodes.size()];
    for (size_t i = 0; i < nodes.size(); ++i) {
        auto* channel = animation.mChannels[i] = new aiNodeAnim;
        channel->mNodeName = aiString(nodes[i]);
        channel->mNumPositionKeys = keys;
        channel->mPositionKeys = new aiVectorKey[keys];
        for (unsigned k = 0; k < keys; ++k)
            channel->mPositionKeys[k] = aiVectorKey(k, aiVector3D(step * float(k), 0.0f, 0.0f));
        channel->mNumRotationKeys = channel->mNumScalingKeys = 1;
        channel->mRotationKeys = new aiQuatKey[1]{aiQuatKey(0.0, aiQuaternion())};
        channel->mScalingKeys = new aiVectorKey[1]{aiVectorKey(0.0, aiVector3D(1, 1, 1))};
    }
}

// A hand-built tree: root (r0, r1) with children first (f0, f1; child deep with d0) and
// second (s0).
struct NamedTree {
    explicit NamedTree(const CModelImporter* importer = nullptr)
    {
        auto node = [importer](const char* name, const std::vector<std::string>& meshes) {
            auto made = std::make_unique<CModelNode>(importer, name);
            for (const std::string& mesh : meshes) {
                made->meshObjects.push_back(std::make_unique<CMeshObject>());
                made->meshObjects.back()->name = mesh;
            }
            return made;
        };
        root = node("", {"r0", "r1"});
        auto first = node("first", {"f0", "f1"});
        first->children.push_back(node("deep", {"d0"}));
        root->children.push_back(std::move(first));
        root->children.push_back(node("second", {"s0"}));
    }
    std::vector<CMeshObject*> All() const
    {
        std::vector<CMeshObject*> all;
        root->CollectMeshObjects(all);
        return all;
    }
    std::vector<std::string> NamesWhere(const std::function<bool(const CMeshObject&)>& field) const
    {
        std::vector<std::string> names;
        for (CMeshObject* meshObject : All())
            if (field(*meshObject))
                names.push_back(meshObject->name);
        return names;
    }
    CMeshObject& Mesh(const std::string& name) const
    {
        const auto all = All();
        return **std::ranges::find_if(all, [&](auto* m) { return m->name == name; });
    }
    std::unique_ptr<CModelNode> root;
};

// A texture source that hands out one record per load and remembers what it loaded.
// Discovered files ending in ".bak" stand for files that are no image.
struct FakeTextureSource {
    FakeTextureSource()
    {
        source.loadTexture = [this](const std::filesystem::path& path) {
            records.push_back(std::make_shared<TextureRecord>());
            records.back()->name = path;
            return records.back();
        };
        source.loadDiscoveredTexture = [this](const std::filesystem::path& path) {
            return path.extension() == ".bak" ? nullptr : source.loadTexture(path);
        };
        source.shareLoads = [this](bool on) { shareSwitches.push_back(on); };
        source.materialTexture = [this](const MaterialValues& values) {
            materials.push_back({{}, {}, values});
            return source.loadTexture("material values");
        };
        source.materialMapsTexture = [this](const MaterialMaps& maps) {
            materials.push_back(maps);
            return source.loadTexture("material maps");
        };
        for (TextureHandle* square : {&source.whiteSquare, &source.blackSquare,
                                      &source.errorTexture, &source.defaultNormalMap})
            *square = std::make_shared<TextureRecord>();
    }
    static std::filesystem::path Name(const TextureHandle& record)
    {
        return record ? record->name : "-";
    }
    ModelTextureSource source;
    std::vector<TextureHandle> records;
    std::vector<bool> shareSwitches;
    std::vector<MaterialMaps> materials;  // every material texture asked for
};

// Leaves the scene with its owner: the context must not release it.
inline ImportedScenePtr Borrow(const aiScene& scene)
{
    return ImportedScenePtr(&scene, [](const aiScene*) {});
}

}  // namespace modeltest
