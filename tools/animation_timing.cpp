// Times the per-frame animation work of a skinned model on the CPU: the clock step
// (Advance) and the pose with its palette copy (Pose), the median of 200 frames.
//
// Usage: vornis-animation-timing [--frames N] [FILE...]
// Without files it times the library's animation_with_skeleton.fbx and a generated model of
// 256 bones (16 limbs of 16 bones, 60 keys each), written once as ASCII FBX to
// /tmp/vornis-skeleton-256.fbx.
#include <assimp/scene.h>
#include <assimp/Exporter.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ToolAccess.h"

namespace {

constexpr const char* kLibraryModel = "/usr/share/assimp/models/FBX/animation_with_skeleton.fbx";
constexpr const char* kGeneratedModel = "/tmp/vornis-skeleton-256.fbx";
constexpr unsigned kLimbs = 16;
constexpr unsigned kBonesPerLimb = 16;
constexpr unsigned kKeys = 60;

aiNode* AddChild(aiNode& parent, const std::string& name, const aiMatrix4x4& transform)
{
    aiNode* child = new aiNode(name);
    child->mTransformation = transform;
    aiNode* children[] = {child};
    parent.addChildren(1, children);
    return child;
}

// 16 limbs of 16 bones fanned out from the root; every bone bends back and forth over
// 60 keys at 30 ticks per second. The skin is one quad per bone, weighted to it.
bool WriteSkeletonModel(const std::string& path)
{
    aiScene scene;
    scene.mRootNode = new aiNode("RootNode");
    aiNode* body = AddChild(*scene.mRootNode, "Body", aiMatrix4x4());
    body->mNumMeshes = 1;
    body->mMeshes = new unsigned[1]{0};
    aiNode* armature = AddChild(*scene.mRootNode, "Armature", aiMatrix4x4());

    const unsigned boneCount = kLimbs * kBonesPerLimb;
    scene.mNumMaterials = 1;
    scene.mMaterials = new aiMaterial* [1] { new aiMaterial };
    scene.mNumMeshes = 1;
    scene.mMeshes = new aiMesh* [1] { new aiMesh };
    aiMesh& mesh = *scene.mMeshes[0];
    mesh.mName = aiString("Body");
    mesh.mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh.mNumVertices = boneCount * 4;
    mesh.mVertices = new aiVector3D[mesh.mNumVertices];
    mesh.mNormals = new aiVector3D[mesh.mNumVertices];
    mesh.mTextureCoords[0] = new aiVector3D[mesh.mNumVertices];
    mesh.mNumUVComponents[0] = 2;
    mesh.mNumFaces = boneCount * 2;
    mesh.mFaces = new aiFace[mesh.mNumFaces];
    mesh.mNumBones = boneCount;
    mesh.mBones = new aiBone*[boneCount];

    scene.mNumAnimations = 1;
    scene.mAnimations = new aiAnimation* [1] { new aiAnimation };
    aiAnimation& animation = *scene.mAnimations[0];
    animation.mName = aiString("Wave");
    animation.mTicksPerSecond = 30.0;
    animation.mDuration = kKeys - 1;
    animation.mNumChannels = boneCount;
    animation.mChannels = new aiNodeAnim*[boneCount];

    unsigned bone = 0;
    for (unsigned limb = 0; limb < kLimbs; ++limb) {
        const float angle = 6.2831853f * float(limb) / float(kLimbs);
        aiMatrix4x4 turn;
        aiMatrix4x4::RotationY(angle, turn);
        aiNode* parent = armature;
        aiMatrix4x4 global = turn;
        for (unsigned b = 0; b < kBonesPerLimb; ++b, ++bone) {
            char name[32];
            std::snprintf(name, sizeof(name), "Limb%02u_Bone%02u", limb, b);
            aiMatrix4x4 step;
            if (b > 0)
                aiMatrix4x4::Translation(aiVector3D(0.0f, 1.0f, 0.0f), step);
            const aiMatrix4x4 local = b == 0 ? turn : step;
            parent = AddChild(*parent, name, local);
            if (b > 0)
                global = global * step;

            // A quad at the bone's rest place, in model space.
            for (unsigned corner = 0; corner < 4; ++corner) {
                const aiVector3D rest((corner & 1) ? 0.1f : -0.1f, (corner & 2) ? 0.9f : 0.1f,
                                      0.0f);
                mesh.mVertices[bone * 4 + corner] = global * rest;
                mesh.mNormals[bone * 4 + corner] = aiVector3D(0.0f, 0.0f, 1.0f);
                mesh.mTextureCoords[0][bone * 4 + corner] = aiVector3D(rest.x, rest.y, 0.0f);
            }
            mesh.mFaces[bone * 2].mNumIndices = 3;
            mesh.mFaces[bone * 2].mIndices = new unsigned[3]{bone * 4, bone * 4 + 1, bone * 4 + 2};
            mesh.mFaces[bone * 2 + 1].mNumIndices = 3;
            mesh.mFaces[bone * 2 + 1].mIndices =
                new unsigned[3]{bone * 4 + 1, bone * 4 + 3, bone * 4 + 2};

            aiBone* skin = new aiBone;
            skin->mName = aiString(name);
            skin->mOffsetMatrix = aiMatrix4x4(global).Inverse();
            skin->mNumWeights = 4;
            skin->mWeights = new aiVertexWeight[4];
            for (unsigned corner = 0; corner < 4; ++corner)
                skin->mWeights[corner] = aiVertexWeight(bone * 4 + corner, 1.0f);
            mesh.mBones[bone] = skin;

            aiNodeAnim* channel = new aiNodeAnim;
            channel->mNodeName = aiString(name);
            aiVector3D scaling, position;
            aiQuaternion rotation;
            local.Decompose(scaling, rotation, position);
            channel->mNumPositionKeys = channel->mNumRotationKeys = channel->mNumScalingKeys =
                kKeys;
            channel->mPositionKeys = new aiVectorKey[kKeys];
            channel->mRotationKeys = new aiQuatKey[kKeys];
            channel->mScalingKeys = new aiVectorKey[kKeys];
            for (unsigned k = 0; k < kKeys; ++k) {
                const float bend = 0.3f * std::sin(6.2831853f * float(k) / float(kKeys - 1));
                channel->mPositionKeys[k] = aiVectorKey(k, position);
                channel->mRotationKeys[k] =
                    aiQuatKey(k, rotation * aiQuaternion(aiVector3D(1, 0, 0), bend));
                channel->mScalingKeys[k] = aiVectorKey(k, scaling);
            }
            animation.mChannels[bone] = channel;
        }
    }
    Assimp::Exporter exporter;
    // Binary FBX written by this library version does not read back; ASCII does.
    if (exporter.Export(&scene, "fbxa", path) != AI_SUCCESS) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), exporter.GetErrorString());
        return false;
    }
    return true;
}

double MedianMicroseconds(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0.0 : samples[samples.size() / 2];
}

void TimeModel(const std::string& path, unsigned frames)
{
    tool::ImportedModel model(path);
    if (!model.Imported()) {
        std::printf("%-40s cannot be imported\n", path.c_str());
        return;
    }
    if (model.SkinnedMeshes() == 0) {
        std::printf("%-40s has no skinned mesh\n", path.c_str());
        return;
    }
    std::vector<double> advance, pose;
    uint64_t clock = 1000;
    bool posed = false;
    for (unsigned frame = 0; frame < frames; ++frame) {
        clock += 16;  // a 60 Hz frame
        const auto start = std::chrono::steady_clock::now();
        model.Advance(clock);
        const auto advanced = std::chrono::steady_clock::now();
        posed |= model.Pose();
        const auto done = std::chrono::steady_clock::now();
        advance.push_back(std::chrono::duration<double, std::micro>(advanced - start).count());
        pose.push_back(std::chrono::duration<double, std::micro>(done - advanced).count());
    }
    std::printf("%-40s %4zu bones  Advance %7.2f us  Pose %7.2f us  together %7.2f us%s\n",
                std::filesystem::path(path).filename().c_str(), model.Bones(),
                MedianMicroseconds(advance), MedianMicroseconds(pose),
                MedianMicroseconds(advance) + MedianMicroseconds(pose),
                posed ? "" : "  (no pose computed)");
}

}  // namespace

int main(int argc, char** argv)
{
    unsigned frames = 200;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc)
            frames = static_cast<unsigned>(std::max(1, std::atoi(argv[++i])));
        else
            files.push_back(argv[i]);
    }
    if (files.empty()) {
        files.push_back(kLibraryModel);
        if (!WriteSkeletonModel(kGeneratedModel))
            return 1;
        files.push_back(kGeneratedModel);
    }
    std::printf("median of %u frames, CPU only\n", frames);
    for (const std::string& file : files)
        TimeModel(file, frames);
    return 0;
}
