// The generated fixed models and the demo model, read back the way the viewer imports them.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "scene/GeneratedAssetReaders.h"

namespace {

using namespace generated_assets;

struct ModelExpectation {
    const char* path;
    std::vector<std::string> nodeNames;  // one mesh each
};

const ModelExpectation kModels[] = {
    {"xyz/xyz.fbx", {"AxisX", "AxisY", "AxisZ"}},
    {"xyz/xyz_plane.fbx", {"GridPlane"}},
    {"skybox/skyboxCube.fbx", {"SkyboxCube"}},
    {"lightmesh/lightmesh.fbx", {"LightMarker"}},
    {"arrow/arrow.fbx", {"JointArrow"}},
    {"demo/spheres.fbx",
     {"Ball_r0c0", "Ball_r0c1", "Ball_r0c2", "Ball_r0c3", "Ball_r0c4", "Ball_r1c0", "Ball_r1c1",
      "Ball_r1c2", "Ball_r1c3", "Ball_r1c4", "Stage"}},
};

TEST(GeneratedModels, ImportWithOneMeshPerNamedNodeAndAFullVertexLayout)
{
    for (const ModelExpectation& model : kModels) {
        SCOPED_TRACE(model.path);
        const ScenePtr scene = ImportLikeViewer(model.path);
        ASSERT_TRUE(scene) << aiGetErrorString();
        EXPECT_EQ(scene->mNumMeshes, model.nodeNames.size());
        for (const std::string& name : model.nodeNames) {
            const aiMesh* mesh = MeshOfNode(*scene, name);
            ASSERT_NE(mesh, nullptr) << name;
            EXPECT_GT(mesh->mNumFaces, 0u);
            // The viewer refuses meshes without UV set 0 and warns without tangents.
            EXPECT_TRUE(mesh->HasTextureCoords(0)) << name;
            EXPECT_TRUE(mesh->HasNormals()) << name;
            EXPECT_TRUE(mesh->HasTangentsAndBitangents()) << name;
            EXPECT_EQ(mesh->mPrimitiveTypes, static_cast<unsigned>(aiPrimitiveType_TRIANGLE))
                << name;
        }
    }
}

TEST(GeneratedModels, FrontFacesAgreeWithTheNormals)
{
    for (const ModelExpectation& model : kModels) {
        SCOPED_TRACE(model.path);
        const ScenePtr scene = ImportLikeViewer(model.path);
        ASSERT_TRUE(scene);
        for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
            const aiMesh& mesh = *scene->mMeshes[m];
            int disagreeing = 0;
            for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
                const aiFace& face = mesh.mFaces[f];
                aiVector3D normal;
                for (unsigned i = 0; i < 3; ++i)
                    normal += mesh.mNormals[face.mIndices[i]];
                if (FaceNormal(mesh, face) * normal <= 0)
                    ++disagreeing;
            }
            EXPECT_EQ(disagreeing, 0) << mesh.mName.C_Str();
        }
    }
}

TEST(GeneratedModels, ClosedShapesFaceOutwardsAndTheSkyboxInwards)
{
    const ScenePtr spheres = ImportLikeViewer("demo/spheres.fbx");
    ASSERT_TRUE(spheres);
    for (unsigned m = 0; m < spheres->mNumMeshes; ++m) {
        const aiMesh& mesh = *spheres->mMeshes[m];
        if (std::string(mesh.mName.C_Str()) == "Stage")
            continue;  // open: a floor and a wall
        const Bounds b = BoundsOf(mesh);
        const aiVector3D centre = (b.min + b.max) * 0.5f;
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            ASSERT_GT(
                FaceNormal(mesh, mesh.mFaces[f]) * (FaceCentre(mesh, mesh.mFaces[f]) - centre), 0)
                << mesh.mName.C_Str() << " face " << f;
        }
    }

    const ScenePtr sky = ImportLikeViewer("skybox/skyboxCube.fbx");
    ASSERT_TRUE(sky);
    const aiMesh& cube = *sky->mMeshes[0];
    EXPECT_EQ(cube.mNumFaces, 12u);
    for (unsigned f = 0; f < cube.mNumFaces; ++f) {
        const aiVector3D towardsCentre = FaceCentre(cube, cube.mFaces[f]) * -1.0f;
        EXPECT_GT(FaceNormal(cube, cube.mFaces[f]) * towardsCentre, 0) << "face " << f;
    }
}

// Texture discovery: an entry of the model's folder belongs to a mesh when its path without
// the extension contains the mesh's node name; the last two characters pick the slot.
std::map<std::string, std::string> DiscoveredSlots(const std::string& folder,
                                                   const std::string& mesh)
{
    std::map<std::string, std::string> slots;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::string text = entry.path().string();
        text = text.substr(0, text.rfind('.'));
        if (text.size() < 3 || text.find(mesh) == std::string::npos)
            continue;
        const std::string suffix = text.substr(text.size() - 2);
        EXPECT_FALSE(slots.count(suffix)) << mesh << " finds two files for " << suffix;
        slots[suffix] = entry.path().string();
    }
    return slots;
}

TEST(GeneratedModels, TextureDiscoveryFindsEachMeshsOwnTextures)
{
    for (const char* name : {"AxisX", "AxisY", "AxisZ", "GridPlane"}) {
        const auto slots = DiscoveredSlots("xyz", name);
        EXPECT_EQ(slots.size(), 1u) << name;
        EXPECT_TRUE(slots.count("_D")) << name;
    }
    EXPECT_TRUE(DiscoveredSlots("lightmesh", "LightMarker").count("_D"));
    EXPECT_TRUE(DiscoveredSlots("arrow", "JointArrow").count("_D"));

    for (const std::string& name : kModels[5].nodeNames) {
        const auto slots = DiscoveredSlots("demo", name);
        EXPECT_EQ(slots.size(), 3u) << name;
        for (const char* suffix : {"_D", "_M", "_N"})
            EXPECT_TRUE(slots.count(suffix)) << name << suffix;
    }
}

}  // namespace
