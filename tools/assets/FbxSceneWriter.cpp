#include "FbxSceneWriter.h"

#include <assimp/material.h>
#include <assimp/scene.h>
#include <assimp/Exporter.hpp>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
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

aiTexture* ToEmbeddedTexture(const SceneNodeMesh& node)
{
    auto* texture = new aiTexture;
    texture->mWidth = static_cast<unsigned>(node.embeddedImage.size());
    texture->mHeight = 0;  // the file's bytes, not texels
    const std::string extension = node.diffuseTexture.substr(node.diffuseTexture.rfind('.') + 1);
    std::snprintf(texture->achFormatHint, sizeof texture->achFormatHint, "%.8s", extension.c_str());
    texture->mFilename = aiString(node.diffuseTexture);
    // The scene frees the data as texels.
    texture->pcData = new aiTexel[(node.embeddedImage.size() + 3) / 4];
    std::memcpy(texture->pcData, node.embeddedImage.data(), node.embeddedImage.size());
    return texture;
}

aiMaterial* ToAssimpMaterial(const SceneNodeMesh& node, int embeddedIndex)
{
    auto* material = new aiMaterial;
    const aiString name(node.sharedMaterial.empty() ? node.nodeName + "_Material"
                                                    : node.sharedMaterial);
    material->AddProperty(&name, AI_MATKEY_NAME);
    const aiColor3D diffuse(node.diffuseColor.x, node.diffuseColor.y, node.diffuseColor.z);
    material->AddProperty(&diffuse, 1, AI_MATKEY_COLOR_DIFFUSE);
    if (!node.diffuseTexture.empty()) {
        const aiString file(embeddedIndex < 0 ? node.diffuseTexture
                                              : "*" + std::to_string(embeddedIndex));
        material->AddProperty(&file, AI_MATKEY_TEXTURE_DIFFUSE(0));
    }
    return material;
}

// The ASCII writer of the assimp we build against pads an embedded image's base64 text with
// "====", on which its own reader corrupts the heap. Pads each Content string correctly.
bool RepairEmbeddedContent(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof())
        return false;
    const std::string key = "Content: \"";
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
        const size_t begin = at + key.size();
        const size_t end = text.find('"', begin);
        if (end == std::string::npos)
            return false;
        std::string content = text.substr(begin, end - begin);
        while (!content.empty() && content.back() == '=')
            content.pop_back();
        content.append((4 - content.size() % 4) % 4, '=');
        text.replace(begin, end - begin, content);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return out.good();
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
    std::vector<aiMaterial*> materials;
    std::map<std::string, unsigned> shared;  // material name -> index
    std::vector<aiTexture*> embedded;
    for (unsigned i = 0; i < count; ++i) {
        int embeddedIndex = -1;
        if (!nodes[i].embeddedImage.empty()) {
            embeddedIndex = static_cast<int>(embedded.size());
            embedded.push_back(ToEmbeddedTexture(nodes[i]));
        }
        const auto known = shared.find(nodes[i].sharedMaterial);
        unsigned materialIndex = static_cast<unsigned>(materials.size());
        if (!nodes[i].sharedMaterial.empty() && known != shared.end()) {
            materialIndex = known->second;
        } else {
            materials.push_back(ToAssimpMaterial(nodes[i], embeddedIndex));
            if (!nodes[i].sharedMaterial.empty())
                shared[nodes[i].sharedMaterial] = materialIndex;
        }
        scene->mMeshes[i] = ToAssimpMesh(nodes[i], materialIndex);
        auto* child = new aiNode(nodes[i].nodeName);
        child->mParent = scene->mRootNode;
        child->mNumMeshes = 1;
        child->mMeshes = new unsigned[1]{i};
        scene->mRootNode->mChildren[i] = child;
    }

    scene->mNumMaterials = static_cast<unsigned>(materials.size());
    scene->mMaterials = new aiMaterial*[materials.size()];
    std::copy(materials.begin(), materials.end(), scene->mMaterials);

    if (!embedded.empty()) {
        scene->mNumTextures = static_cast<unsigned>(embedded.size());
        scene->mTextures = new aiTexture*[embedded.size()];
        std::copy(embedded.begin(), embedded.end(), scene->mTextures);
    }

    Assimp::Exporter exporter;
    if (exporter.Export(scene.get(), "fbxa", path) != aiReturn_SUCCESS)
        return exporter.GetErrorString();
    if (!embedded.empty() && !RepairEmbeddedContent(path))
        return "cannot repair the embedded images of " + path;
    return {};
}

}  // namespace assets
