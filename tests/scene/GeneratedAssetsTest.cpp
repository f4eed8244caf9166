// The generated run-time files, read back independently of the generator so that the tests
// check the files, not the generator's own idea of them: the models through assimp the way
// the viewer imports them, the DDS files with the viewer's own reader. Paths are relative to
// the folder that holds the programs, the tests' working directory. How the files look (the
// demo's winding, the sky's blurred mips) is left to the reference pictures.
#include <assimp/cimport.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>

#include "textures/DdsReader.h"
#include "textures/DxgiFormat.h"
#include "textures/TextureResult.h"

namespace {

const aiNode* FindNode(const aiNode* node, const std::string& name)
{
    if (name == node->mName.C_Str())
        return node;
    for (unsigned i = 0; i < node->mNumChildren; ++i)
        if (const aiNode* found = FindNode(node->mChildren[i], name))
            return found;
    return nullptr;
}

const std::vector<std::string> kDemoNodes = {"Ball_r0c0", "Ball_r0c1", "Ball_r0c2", "Ball_r0c3",
                                             "Ball_r0c4", "Ball_r1c0", "Ball_r1c1", "Ball_r1c2",
                                             "Ball_r1c3", "Ball_r1c4", "Stage"};

TEST(GeneratedModels, ImportWithOneMeshPerNamedNodeAFullVertexLayoutAndFrontFacesAlongNormals)
{
    const struct {
        const char* path;
        std::vector<std::string> nodeNames;  // one mesh each
        bool namesAlbedo;  // the material names the albedo file NODE_D.dds beside the model
    } models[] = {
        {"xyz/xyz.fbx", {"AxisX", "AxisY", "AxisZ"}, true},
        {"xyz/xyz_plane.fbx", {"GridPlane"}, true},
        {"skybox/skyboxCube.fbx", {"SkyboxCube"}, false},  // untextured
        {"lightmesh/lightmesh.fbx", {"LightMarker"}, true},
        {"arrow/arrow.fbx", {"JointArrow"}, true},
        {"demo/spheres.fbx", kDemoNodes, false},  // some balls go by their names alone
    };
    for (const auto& model : models) {
        SCOPED_TRACE(model.path);
        // The post-processing word the viewer imports models with.
        const std::unique_ptr<const aiScene, void (*)(const aiScene*)> scene(
            aiImportFile(model.path, 0x01B79ECD), aiReleaseImport);
        ASSERT_TRUE(scene) << aiGetErrorString();
        EXPECT_EQ(scene->mNumMeshes, model.nodeNames.size());
        // More would be refused, with an error in the log, when the viewer loads it.
        EXPECT_LE(scene->mNumMaterials, 8u);
        for (const std::string& name : model.nodeNames) {
            const aiNode* node = FindNode(scene->mRootNode, name);
            ASSERT_TRUE(node && node->mNumMeshes == 1) << name;
            const aiMesh& mesh = *scene->mMeshes[node->mMeshes[0]];
            // The viewer refuses meshes without UV set 0 and warns without tangents.
            EXPECT_TRUE(mesh.mNumFaces > 0 && mesh.HasTextureCoords(0) && mesh.HasNormals() &&
                        mesh.HasTangentsAndBitangents() &&
                        mesh.mPrimitiveTypes == aiPrimitiveType_TRIANGLE)
                << name;
            int disagreeing = 0;
            for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
                const unsigned* index = mesh.mFaces[f].mIndices;
                const aiVector3D& a = mesh.mVertices[index[0]];
                const aiVector3D front =
                    (mesh.mVertices[index[1]] - a) ^ (mesh.mVertices[index[2]] - a);
                disagreeing += front * (mesh.mNormals[index[0]] + mesh.mNormals[index[1]] +
                                        mesh.mNormals[index[2]]) <=
                               0;
            }
            EXPECT_EQ(disagreeing, 0) << name;
            aiString texture;
            scene->mMaterials[mesh.mMaterialIndex]->GetTexture(aiTextureType_DIFFUSE, 0, &texture);
            if (model.namesAlbedo) {
                EXPECT_EQ(std::string(texture.C_Str()), name + "_D.dds");
            }
        }
    }
}

// The reader takes the file whole, as a full mip chain of `format`, with no byte over.
DdsFile ReadWhole(const std::string& path, uint32_t format)
{
    SCOPED_TRACE(path);
    DdsFile dds = ReadDdsFile(path);
    EXPECT_EQ(dds.parsed.result, texture_result::Ok);
    const DdsImage& image = dds.parsed.image;
    EXPECT_EQ(image.format, format);
    uint32_t fullChain = 1;
    while ((std::max(image.width, image.height) >> (fullChain - 1)) > 1)
        ++fullChain;
    EXPECT_EQ(image.mipCount, fullChain);
    size_t texelBytes = 0;
    for (const DdsSubresource& subresource : image.subresources)
        texelBytes += subresource.data.size();
    EXPECT_EQ(std::filesystem::file_size(path), (dds.parsed.dx10 ? 148u : 128u) + texelBytes)
        << "no short or trailing data";
    return dds;
}

// A half-float's value, decoded here rather than by the viewer.
float HalfToFloat(uint16_t h)
{
    const int exponent = (h >> 10) & 0x1F, mantissa = h & 0x3FF;
    const float value = exponent == 0 ? std::ldexp(static_cast<float>(mantissa), -24)
                        : exponent == 31
                            ? (mantissa ? NAN : INFINITY)
                            : std::ldexp(static_cast<float>(mantissa + 1024), exponent - 25);
    return (h & 0x8000) ? -value : value;
}

TEST(GeneratedSkyMaps, AreHalfFloatCubesWithAFullMipChainOfFiniteNonNegativeTexels)
{
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator("Skyboxtextures")) {
        if (entry.path().extension() != ".dds")
            continue;
        SCOPED_TRACE(entry.path());
        ++files;
        const DdsFile dds = ReadWhole(entry.path().string(), DXGI_FORMAT_R16G16B16A16_FLOAT);
        const DdsImage& image = dds.parsed.image;
        EXPECT_TRUE(image.isCube && image.arraySize == 6u);
        ASSERT_EQ(image.width, image.height);
        ASSERT_GE(image.width, 64u);
        ASSERT_EQ(image.width & (image.width - 1), 0u) << "power of two";
        for (const DdsSubresource& subresource : image.subresources)
            for (size_t i = 0; i + 1 < subresource.data.size(); i += 2) {
                const float value =
                    HalfToFloat(subresource.data[i] | (subresource.data[i + 1] << 8));
                ASSERT_TRUE(std::isfinite(value) && value >= 0)
                    << "face " << subresource.arraySlice;
            }
    }
    EXPECT_GE(files, 2);
}

// The model textures are flat RGBA8: the smallest mip (the average) equals the first texel.
TEST(GeneratedModelTextures, GizmoAxesAreRedGreenBlueAndAllAreOpaque)
{
    const char* files[] = {"xyz/AxisX_D.dds", "xyz/AxisY_D.dds", "xyz/AxisZ_D.dds",
                           "arrow/JointArrow_D.dds", "lightmesh/LightMarker_D.dds"};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(files[i]);
        const DdsFile dds = ReadWhole(files[i], DXGI_FORMAT_R8G8B8A8_UNORM);
        const auto& levels = dds.parsed.image.subresources;
        ASSERT_TRUE(!levels.empty() && levels[0].data.size() >= 4);
        const std::vector<uint8_t> first(levels[0].data.begin(), levels[0].data.begin() + 4);
        EXPECT_TRUE(std::equal(first.begin(), first.end(), levels.back().data.begin()));
        // Drawn with an alpha-discarding shader: any transparency would cut holes.
        EXPECT_EQ(first[3], 255);
        if (i < 3) {  // the axis's own channel dominates
            EXPECT_GT(first[i], 2 * std::max(first[(i + 1) % 3], first[(i + 2) % 3]));
        }
    }
}

}  // namespace
