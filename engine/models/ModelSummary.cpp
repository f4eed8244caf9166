#include "models/ModelSummary.h"

#include <assimp/scene.h>

#include "models/ModelNode.h"

namespace {

MeshAttributeSummary SummariseMesh(const aiMesh& mesh)
{
    MeshAttributeSummary summary;
    summary.name = mesh.mName.length > 0 ? std::string(mesh.mName.C_Str()) : "N/A";
    summary.positions = mesh.HasPositions();
    for (unsigned set = 0; set < 4; ++set) {
        summary.uvSets[set] = mesh.HasTextureCoords(set);
        summary.colorSets[set] = mesh.HasVertexColors(set);
    }
    summary.normals = mesh.HasNormals();
    summary.tangentsAndBitangents = mesh.HasTangentsAndBitangents();
    summary.bones = mesh.mBones && mesh.mNumBones > 0;
    return summary;
}

}  // namespace

ModelSummary SummariseModel(const CModelNode* model, const std::optional<Float3>& eye)
{
    ModelSummary summary;
    if (!model)
        return summary;
    summary.hasModel = true;
    summary.vertexCount = static_cast<int64_t>(model->VertexCount(eye));
    summary.triangleCount = static_cast<int64_t>(model->TriangleCount(eye));
    const aiScene* scene = model->scene;
    if (!scene)
        return summary;
    summary.hasScene = true;
    summary.lightCount = scene->mNumLights;
    summary.cameraCount = scene->mNumCameras;
    summary.animationCount = scene->mNumAnimations;
    summary.materialCount = scene->mNumMaterials;
    summary.textureCount = scene->mNumTextures;
    summary.meshCount = scene->mNumMeshes;
    for (unsigned m = 0; m < scene->mNumMeshes && scene->mMeshes; ++m) {
        if (scene->mMeshes[m])
            summary.meshes.push_back(SummariseMesh(*scene->mMeshes[m]));
    }
    return summary;
}

std::vector<ModelInfoLine> ModelInfoLines(const ModelSummary& summary)
{
    using Colour = ModelInfoLine::Colour;
    std::vector<ModelInfoLine> lines;
    auto line = [&lines](std::string text, Colour colour = Colour::Default) {
        lines.push_back({std::move(text), colour});
    };
    auto count = [&line](const char* label, int64_t value) { line(label + std::to_string(value)); };
    auto yesNo = [&line](const std::string& label, bool yes) {
        line(label + (yes ? "Yes" : "No"), yes ? Colour::Yes : Colour::No);
    };

    if (!summary.hasModel) {
        line("No model with meshes loaded", Colour::Red);
        return lines;
    }
    line("Basic scene information", Colour::Green);
    count("Vertex count: ", summary.vertexCount);
    count("Index count: ", summary.triangleCount);
    if (!summary.hasScene) {
        line("No scene was loaded at all, wrong fbx version?");
        return lines;
    }
    line("-Scene overview-", Colour::Green);
    count("Numer of lights: ", summary.lightCount);
    count("Numer of cameras: ", summary.cameraCount);
    count("Numer of animations: ", summary.animationCount);
    count("Numer of materials: ", summary.materialCount);
    count("Numer of textures: ", summary.textureCount);
    count("Numer of meshes: ", summary.meshCount);
    if (summary.meshCount == 0)
        return lines;
    line("-Meshes-", Colour::Green);
    for (size_t i = 0; i < summary.meshes.size(); ++i) {
        const MeshAttributeSummary& mesh = summary.meshes[i];
        line(">Mesh: " + std::to_string(i + 1), Colour::Yellow);
        line("Name: " + mesh.name);
        yesNo("Has Positions: ", mesh.positions);
        for (size_t set = 0; set < mesh.uvSets.size(); ++set)
            yesNo("Has UV" + std::to_string(set + 1) + ": ", mesh.uvSets[set]);
        yesNo("Has Normals: ", mesh.normals);
        yesNo("Has Tan and BiTan: ", mesh.tangentsAndBitangents);
        for (size_t set = 0; set < mesh.colorSets.size(); ++set)
            yesNo("Has Vertex colors " + std::to_string(set + 1) + ": ", mesh.colorSets[set]);
        yesNo("Has bones: ", mesh.bones);
    }
    return lines;
}
