// Small animated scenes built in memory, for the cases no model file shows.
#pragma once

#include <assimp/scene.h>

#include <memory>
#include <string>
#include <vector>

#include "animation/AnimationController.h"
#include "animation/AnimationSet.h"
#include "models/MeshObject.h"
#include "models/ModelImportContext.h"
#include "models/ModelTestSupport.h"

namespace animtest {

// A chain of nodes (names[0] is the root, each next one the child of the one before), all
// bones of one mesh, each moved by AddAnimation. Without keys the scene has no animation.
inline std::unique_ptr<aiScene> MakeChainScene(const std::vector<std::string>& names,
                                               unsigned keys = 2, double ticksPerSecond = 25.0,
                                               float step = 1.0f)
{
    aiMesh* mesh = modeltest::MakeMesh(3);
    std::vector<std::pair<std::string, std::vector<aiVertexWeight>>> bones;
    for (const std::string& name : names)
        bones.push_back({name, {{0, 1.0f}}});
    modeltest::SetBones(*mesh, bones);
    auto scene = modeltest::MakeScene({mesh});
    scene->mRootNode->mName = aiString(names[0]);
    aiNode* parent = scene->mRootNode;
    for (size_t i = 1; i < names.size(); ++i)
        parent = modeltest::AddNode(*parent, names[i].c_str());
    if (keys > 0)
        modeltest::AddAnimation(*scene, names, keys, ticksPerSecond, step);
    return scene;
}

// A controller with the bones of the scene's first mesh and the scenes as its clips, the
// first current. The scenes stay with the caller.
inline AnimationController MakeController(const std::vector<const aiScene*>& clips,
                                          const AnimationReports& reports = {})
{
    AnimationController controller;
    controller.SetUpBones(*clips[0]->mMeshes[0], *clips[0], reports);
    for (const aiScene* clip : clips)
        controller.clips.push_back(BindClip(modeltest::Borrow(*clip), controller.boneMap));
    return controller;
}

// A mesh object of `mesh`, with `bones` bones, whose animation set holds `controller` as
// the controller of `key` (no mesh: a whole-model animation file).
struct AnimatedMeshObject {
    AnimatedMeshObject(const aiMesh* mesh, unsigned bones, const aiMesh* key,
                       AnimationController controller)
    {
        context.boneCount = bones;
        meshObject.context = &context;
        meshObject.meshData = std::make_unique<MeshData>();
        meshObject.meshData->importedMesh = mesh;
        meshObject.animationSet = std::make_shared<AnimationSet>();
        meshObject.animationSet->controllers.emplace(
            key, std::make_unique<AnimationController>(std::move(controller)));
    }
    ModelImportContext context;
    CMeshObject meshObject;
};

// Where a pose put a bone: the translation of its final transform (offsets are identity).
inline float BoneX(const AnimationController& controller, const std::string& name)
{
    return controller.bones[controller.boneMap.at(name)].finalTransform.a4;
}

}  // namespace animtest
