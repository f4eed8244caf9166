#include "FbxSceneWriter.h"

#include <assimp/material.h>
#include <assimp/scene.h>
#include <assimp/Exporter.hpp>

#include <memory>

namespace assets {

namespace {

aiMesh* ToAssimpMesh(const SceneNodeMesh& node, unsigned materialIndex)
{
    const MeshGeometry& g = node.geometry;
    auto* mesh = new aiMesh;
    mesh->mName = aiString(node.nodeName);
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh->mMaterialIndex = materialIndex;
    mesh->mNumVertices = static_cast<unsigned>(g.positions.size());
    mesh->mVertices = new aiVector3D[mesh->mNumVertices];
    mesh->mNormals = new aiVector3D[mesh->mNumVertices];
    mesh->mTextureCoords[0] = new aiVector3D[mesh->mNumVertices];
    mesh->mNumUVComponents[0] = 2;
    for (unsigned i = 0; i < mesh->mNumVertices; ++i) {
        mesh->mVertices[i] = {g.positions[i].x, g.positions[i].y, g.positions[i].z};
        mesh->mNormals[i] = {g.normals[i].x, g.normals[i].y, g.normals[i].z};
        mesh->mTextureCoords[0][i] = {g.uvs[i].x, g.uvs[i].y, 0};
    }
    mesh->mNumFaces = static_cast<unsigned>(g.indices.size() / 3);
    mesh->mFaces = new aiFace[mesh->mNumFaces];
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        aiFace& face = mesh->mFaces[f];
        face.mNumIndices = 3;
        face.mIndices =
            new unsigned[3]{g.indices[3 * f], g.indices[3 * f + 1], g.indices[3 * f + 2]};
    }
    return mesh;
}

aiMaterial* ToAssimpMaterial(const SceneNodeMesh& node)
{
    auto* material = new aiMaterial;
    const aiString name(node.nodeName + "_Material");
    material->AddProperty(&name, AI_MATKEY_NAME);
    const aiColor3D diffuse(node.diffuseColor.x, node.diffuseColor.y, node.diffuseColor.z);
    material->AddProperty(&diffuse, 1, AI_MATKEY_COLOR_DIFFUSE);
    if (!node.diffuseTexture.empty()) {
        const aiString file(node.diffuseTexture);
        material->AddProperty(&file, AI_MATKEY_TEXTURE_DIFFUSE(0));
    }
    return material;
}

}  // namespace

std::string WriteFbxScene(const std::string& path, const std::vector<SceneNodeMesh>& nodes)
{
    if (nodes.empty())
        return "no meshes to write";
    auto scene = std::make_unique<aiScene>();
    const auto count = static_cast<unsigned>(nodes.size());
    scene->mRootNode = new aiNode("RootNode");
    scene->mRootNode->mNumChildren = count;
    scene->mRootNode->mChildren = new aiNode*[count];
    scene->mNumMeshes = count;
    scene->mMeshes = new aiMesh*[count];
    scene->mNumMaterials = count;
    scene->mMaterials = new aiMaterial*[count];
    for (unsigned i = 0; i < count; ++i) {
        scene->mMeshes[i] = ToAssimpMesh(nodes[i], i);
        scene->mMaterials[i] = ToAssimpMaterial(nodes[i]);
        auto* child = new aiNode(nodes[i].nodeName);
        child->mParent = scene->mRootNode;
        child->mNumMeshes = 1;
        child->mMeshes = new unsigned[1]{i};
        scene->mRootNode->mChildren[i] = child;
    }

    Assimp::Exporter exporter;
    if (exporter.Export(scene.get(), "fbxa", path) != aiReturn_SUCCESS)
        return exporter.GetErrorString();
    return {};
}

}  // namespace assets
