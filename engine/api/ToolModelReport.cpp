// The model summary of `vornis-snap --info`: counts, clips, world bounds and textures of the
// model shown, from the same walks the draw and the framing use.
#include <assimp/scene.h>

#include <algorithm>
#include <limits>

#include "animation/AnimationQueries.h"
#include "api/Engine.h"
#include "api/tool/ToolAccess.h"
#include "models/ModelNode.h"
#include "scene/ModelFraming.h"
#include "scene/Scene.h"

namespace tool {

bool DescribeShownModel(ModelReport& report)
{
    CEngine* engine = GetEngine();
    if (!engine || !engine->scene)
        return false;
    bool found = false;
    engine->scene->WithModel([&](CModelNode* model) {
        if (!model || !model->importContext)
            return;
        found = true;
        const ModelImportContext& context = *model->importContext;
        report = {};
        report.file = context.path;
        report.nodes = context.sceneNodes.Size();
        report.materials = model->scene ? model->scene->mNumMaterials : 0;
        report.bones = context.boneCount;
        model->VisitPlacedMeshes(std::nullopt, [&](CMeshObject& meshObject, const Matrix4&) {
            if (!meshObject.IsDrawable())
                return;
            ++report.meshes;
            report.vertices += meshObject.meshData->vertexCount;
            report.triangles += meshObject.meshData->indices.size() / 3;
        });
        const AnimationOverview animation = DescribeAnimation(model);
        if (report.bones == 0)
            report.bones = animation.boneCount;  // a skeleton shown without mesh
        for (size_t i = 0; i < animation.clipNames.size(); ++i)
            report.clips.push_back({animation.clipNames[i], i < animation.clipLoopSeconds.size()
                                                                ? animation.clipLoopSeconds[i]
                                                                : 0.0f});
        const std::vector<Float3> positions = DrawnPositions(*model);
        report.hasBounds = !positions.empty();
        for (int axis = 0; axis < 3 && report.hasBounds; ++axis) {
            report.boundsMin[axis] = std::numeric_limits<float>::max();
            report.boundsMax[axis] = std::numeric_limits<float>::lowest();
        }
        for (const Float3& p : positions)
            for (int axis = 0; axis < 3; ++axis) {
                report.boundsMin[axis] = std::min(report.boundsMin[axis], p[axis]);
                report.boundsMax[axis] = std::max(report.boundsMax[axis], p[axis]);
            }
        report.texturesFound.assign(context.texturesFound.begin(), context.texturesFound.end());
        report.texturesMissing.assign(context.texturesMissing.begin(),
                                      context.texturesMissing.end());
    });
    return found;
}

std::vector<std::string> ShownModelMissingTextures()
{
    CEngine* engine = GetEngine();
    std::vector<std::string> missing;
    if (engine && engine->scene)
        engine->scene->WithModel([&](CModelNode* model) {
            if (model && model->importContext)
                missing.assign(model->importContext->texturesMissing.begin(),
                               model->importContext->texturesMissing.end());
        });
    return missing;
}

}  // namespace tool
