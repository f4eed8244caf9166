// The import library in its own process: the scene that comes back is the one imported,
// every way the worker can end is named, and the viewer keeps its model through them.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "FbxSceneWriter.h"
#include "MeshBuilder.h"
#include "ModelTestSupport.h"
#include "models/ImportAhead.h"
#include "models/ImportWorker.h"
#include "models/ModelImporter.h"
#include "models/SceneTransfer.h"

using namespace modeltest;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

template <typename T>
bool SameBytes(const T* a, const T* b, size_t count)
{
    if (!a || !b)
        return a == b;
    return std::memcmp(a, b, sizeof(T) * count) == 0;
}

// Keys carry padding: compared by value.
template <typename Key>
bool SameKeys(const Key* a, const Key* b, unsigned count)
{
    for (unsigned k = 0; a && b && k < count; ++k)
        if (a[k].mTime != b[k].mTime || !(a[k].mValue == b[k].mValue))
            return false;
    return (a == nullptr) == (b == nullptr);
}

void ExpectSameMetadata(const aiMetadata* a, const aiMetadata* b)
{
    ASSERT_EQ(a ? a->mNumProperties : 0, b ? b->mNumProperties : 0);
    for (unsigned i = 0; a && i < a->mNumProperties; ++i) {
        EXPECT_STREQ(a->mKeys[i].C_Str(), b->mKeys[i].C_Str());
        ASSERT_EQ(a->mValues[i].mType, b->mValues[i].mType);
        if (a->mValues[i].mType == AI_AISTRING) {
            EXPECT_STREQ(static_cast<aiString*>(a->mValues[i].mData)->C_Str(),
                         static_cast<aiString*>(b->mValues[i].mData)->C_Str());
        }
    }
}

void ExpectSameNodes(const aiNode& a, const aiNode& b)
{
    EXPECT_STREQ(a.mName.C_Str(), b.mName.C_Str());
    EXPECT_EQ(a.mTransformation, b.mTransformation) << a.mName.C_Str();
    ASSERT_EQ(a.mNumMeshes, b.mNumMeshes);
    EXPECT_TRUE(SameBytes(a.mMeshes, b.mMeshes, a.mNumMeshes));
    ExpectSameMetadata(a.mMetaData, b.mMetaData);
    ASSERT_EQ(a.mNumChildren, b.mNumChildren) << a.mName.C_Str();
    for (unsigned c = 0; c < a.mNumChildren; ++c) {
        EXPECT_EQ(b.mChildren[c]->mParent, &b);
        ExpectSameNodes(*a.mChildren[c], *b.mChildren[c]);
    }
}

void ExpectSameMesh(const aiMesh& a, const aiMesh& b)
{
    SCOPED_TRACE(a.mName.C_Str());
    EXPECT_STREQ(a.mName.C_Str(), b.mName.C_Str());
    EXPECT_EQ(a.mPrimitiveTypes, b.mPrimitiveTypes);
    EXPECT_EQ(a.mMaterialIndex, b.mMaterialIndex);
    const unsigned n = a.mNumVertices;
    ASSERT_EQ(n, b.mNumVertices);
    EXPECT_TRUE(SameBytes(a.mVertices, b.mVertices, n));
    EXPECT_TRUE(SameBytes(a.mNormals, b.mNormals, n));
    EXPECT_TRUE(SameBytes(a.mTangents, b.mTangents, n));
    EXPECT_TRUE(SameBytes(a.mBitangents, b.mBitangents, n));
    for (int c = 0; c < AI_MAX_NUMBER_OF_COLOR_SETS; ++c)
        EXPECT_TRUE(SameBytes(a.mColors[c], b.mColors[c], n));
    for (int t = 0; t < AI_MAX_NUMBER_OF_TEXTURECOORDS; ++t) {
        EXPECT_TRUE(SameBytes(a.mTextureCoords[t], b.mTextureCoords[t], n));
        EXPECT_EQ(a.mNumUVComponents[t], b.mNumUVComponents[t]);
    }
    ASSERT_EQ(a.mNumFaces, b.mNumFaces);
    for (unsigned f = 0; f < a.mNumFaces; ++f) {
        ASSERT_EQ(a.mFaces[f].mNumIndices, b.mFaces[f].mNumIndices);
        ASSERT_TRUE(SameBytes(a.mFaces[f].mIndices, b.mFaces[f].mIndices, a.mFaces[f].mNumIndices));
    }
    ASSERT_EQ(a.mNumBones, b.mNumBones);
    for (unsigned i = 0; i < a.mNumBones; ++i) {
        EXPECT_STREQ(a.mBones[i]->mName.C_Str(), b.mBones[i]->mName.C_Str());
        EXPECT_EQ(a.mBones[i]->mOffsetMatrix, b.mBones[i]->mOffsetMatrix);
        ASSERT_EQ(a.mBones[i]->mNumWeights, b.mBones[i]->mNumWeights);
        for (unsigned w = 0; w < a.mBones[i]->mNumWeights; ++w) {
            ASSERT_EQ(a.mBones[i]->mWeights[w].mVertexId, b.mBones[i]->mWeights[w].mVertexId)
                << i << " " << w;
            ASSERT_EQ(a.mBones[i]->mWeights[w].mWeight, b.mBones[i]->mWeights[w].mWeight)
                << i << " " << w;
        }
    }
}

void ExpectSameScene(const aiScene& a, const aiScene& b)
{
    EXPECT_EQ(a.mFlags, b.mFlags);
    ExpectSameMetadata(a.mMetaData, b.mMetaData);
    ASSERT_EQ(!a.mRootNode, !b.mRootNode);
    if (a.mRootNode)
        ExpectSameNodes(*a.mRootNode, *b.mRootNode);
    ASSERT_EQ(a.mNumMeshes, b.mNumMeshes);
    for (unsigned m = 0; m < a.mNumMeshes; ++m)
        ExpectSameMesh(*a.mMeshes[m], *b.mMeshes[m]);
    ASSERT_EQ(a.mNumMaterials, b.mNumMaterials);
    for (unsigned m = 0; m < a.mNumMaterials; ++m) {
        const aiMaterial& x = *a.mMaterials[m];
        const aiMaterial& y = *b.mMaterials[m];
        ASSERT_EQ(x.mNumProperties, y.mNumProperties);
        for (unsigned p = 0; p < x.mNumProperties; ++p) {
            const aiMaterialProperty& px = *x.mProperties[p];
            const aiMaterialProperty& py = *y.mProperties[p];
            EXPECT_STREQ(px.mKey.C_Str(), py.mKey.C_Str());
            EXPECT_EQ(std::tie(px.mSemantic, px.mIndex, px.mType, px.mDataLength),
                      std::tie(py.mSemantic, py.mIndex, py.mType, py.mDataLength));
            EXPECT_TRUE(SameBytes(px.mData, py.mData, std::min(px.mDataLength, py.mDataLength)));
        }
    }
    ASSERT_EQ(a.mNumTextures, b.mNumTextures);
    for (unsigned t = 0; t < a.mNumTextures; ++t) {
        const aiTexture& x = *a.mTextures[t];
        const aiTexture& y = *b.mTextures[t];
        EXPECT_EQ(std::tie(x.mWidth, x.mHeight), std::tie(y.mWidth, y.mHeight));
        EXPECT_STREQ(x.mFilename.C_Str(), y.mFilename.C_Str());
        EXPECT_STREQ(x.achFormatHint, y.achFormatHint);
        const size_t bytes = x.mHeight ? size_t{x.mWidth} * x.mHeight * 4 : x.mWidth;
        EXPECT_TRUE(SameBytes(reinterpret_cast<const char*>(x.pcData),
                              reinterpret_cast<const char*>(y.pcData), bytes));
    }
    ASSERT_EQ(a.mNumAnimations, b.mNumAnimations);
    for (unsigned i = 0; i < a.mNumAnimations; ++i) {
        const aiAnimation& x = *a.mAnimations[i];
        const aiAnimation& y = *b.mAnimations[i];
        EXPECT_STREQ(x.mName.C_Str(), y.mName.C_Str());
        EXPECT_EQ(std::tie(x.mDuration, x.mTicksPerSecond, x.mNumChannels),
                  std::tie(y.mDuration, y.mTicksPerSecond, y.mNumChannels));
        for (unsigned c = 0; c < std::min(x.mNumChannels, y.mNumChannels); ++c) {
            const aiNodeAnim& p = *x.mChannels[c];
            const aiNodeAnim& q = *y.mChannels[c];
            EXPECT_STREQ(p.mNodeName.C_Str(), q.mNodeName.C_Str());
            ASSERT_EQ(std::tie(p.mNumPositionKeys, p.mNumRotationKeys, p.mNumScalingKeys),
                      std::tie(q.mNumPositionKeys, q.mNumRotationKeys, q.mNumScalingKeys));
            EXPECT_TRUE(SameKeys(p.mPositionKeys, q.mPositionKeys, p.mNumPositionKeys));
            EXPECT_TRUE(SameKeys(p.mRotationKeys, q.mRotationKeys, p.mNumRotationKeys));
            EXPECT_TRUE(SameKeys(p.mScalingKeys, q.mScalingKeys, p.mNumScalingKeys));
        }
    }
    ASSERT_EQ(a.mNumCameras, b.mNumCameras);
    for (unsigned c = 0; c < a.mNumCameras; ++c) {
        EXPECT_STREQ(a.mCameras[c]->mName.C_Str(), b.mCameras[c]->mName.C_Str());
        EXPECT_EQ(a.mCameras[c]->mLookAt, b.mCameras[c]->mLookAt);
        EXPECT_EQ(a.mCameras[c]->mHorizontalFOV, b.mCameras[c]->mHorizontalFOV);
    }
    ASSERT_EQ(a.mNumLights, b.mNumLights);
    for (unsigned l = 0; l < a.mNumLights; ++l) {
        EXPECT_STREQ(a.mLights[l]->mName.C_Str(), b.mLights[l]->mName.C_Str());
        EXPECT_EQ(a.mLights[l]->mType, b.mLights[l]->mType);
        EXPECT_EQ(a.mLights[l]->mColorDiffuse, b.mLights[l]->mColorDiffuse);
    }
}

const fs::path kBlender = fs::path(VORNIS_FIXTURES_DIR) / "blender";

std::vector<fs::path> RealFiles()
{
    return {kFbxDir + "spider.fbx",
            kFbxDir + "huesitos.fbx",
            kFbxDir + "box.fbx",
            kFbxDir + "embedded_ascii/box.FBX",
            kBlender / "skinned_figure.fbx",
            kBlender / "windmill.fbx",
            kBlender / "instances.fbx",
            kBlender / "textured.fbx"};
}

// The scene as WriteScene hands it out, piece by piece.
std::string Streamed(const aiScene& scene)
{
    std::string bytes;
    EXPECT_TRUE(WriteScene(scene, [&](std::string_view piece) {
        bytes.append(piece);
        return true;
    }));
    return bytes;
}

}  // namespace

// Arrays large enough to go out straight from the scene's memory give the same bytes as the
// buffered encoding, and a writer that refuses a piece fails the whole answer.
TEST(SceneTransfer, StreamedSceneIsTheEncodedOne)
{
    constexpr unsigned kVertices = 90000;
    aiScene scene;
    auto* mesh = new aiMesh;
    mesh->mPrimitiveTypes = aiPrimitiveType_POINT;
    mesh->mNumVertices = kVertices;
    mesh->mVertices = new aiVector3D[kVertices];
    mesh->mNormals = new aiVector3D[kVertices];
    for (unsigned v = 0; v < kVertices; ++v) {
        mesh->mVertices[v] = aiVector3D(static_cast<float>(v), 1.0f, 2.0f);
        mesh->mNormals[v] = aiVector3D(0.0f, 0.0f, static_cast<float>(v % 7));
    }
    scene.mMeshes = new aiMesh* [1] { mesh };
    scene.mNumMeshes = 1;
    const std::string bytes = EncodeScene(scene);
    EXPECT_EQ(Streamed(scene), bytes);
    int pieces = 0;
    EXPECT_FALSE(WriteScene(scene, [&](std::string_view) { return ++pieces < 2; }));
    std::string problem;
    const std::unique_ptr<aiScene> decoded = DecodeScene(bytes, problem);
    ASSERT_TRUE(decoded) << problem;
    EXPECT_TRUE(SameBytes(decoded->mMeshes[0]->mNormals, mesh->mNormals, kVertices));
}

// Real files, with cameras, lights, skins, takes, metadata and embedded images among them,
// arrive through the worker exactly as this process imports them.
TEST(SceneTransfer, RealFilesArriveAsImported)
{
    for (const fs::path& file : RealFiles()) {
        SCOPED_TRACE(file.string());
        const LibraryImport here = ImportInThisProcess(file, kModelImportFlags);
        ASSERT_TRUE(here.scene) << here.refusal << here.libraryText;
        std::string problem;
        const std::string bytes = EncodeScene(*here.scene);
        EXPECT_EQ(Streamed(*here.scene), bytes);
        const std::unique_ptr<aiScene> decoded = DecodeScene(bytes, problem);
        ASSERT_TRUE(decoded) << problem;
        ExpectSameScene(*here.scene, *decoded);
        // In place, the aligned arrays stay in the bytes; misaligned bytes give copies.
        // Deleting either scene must free only what it allocated.
        const std::string shifted = "." + bytes;
        for (const std::string_view view :
             {std::string_view(bytes), std::string_view(shifted).substr(1)}) {
            const std::shared_ptr<const aiScene> inPlace =
                DecodeSceneInPlace(view, nullptr, problem);
            ASSERT_TRUE(inPlace) << problem;
            ExpectSameScene(*here.scene, *inPlace);
            const auto* vertices = reinterpret_cast<const char*>(inPlace->mMeshes[0]->mVertices);
            EXPECT_EQ(vertices >= view.data() && vertices < view.data() + view.size(),
                      view.data() == bytes.data());
        }
        const LibraryImport there = ImportThroughLibrary(file, kModelImportFlags);
        ASSERT_TRUE(there.scene) << there.refusal << there.libraryText;
        ExpectSameScene(*here.scene, *there.scene);
        EXPECT_EQ(here.fileTakes, there.fileTakes);
    }
}

// Cut anywhere, or with a count overwritten, the bytes give a reason or a scene, never a
// fault or an allocation beyond the message.
TEST(SceneTransfer, DamagedBytesGiveAReason)
{
    const LibraryImport imported = ImportInThisProcess(kFbxDir + "spider.fbx", kModelImportFlags);
    ASSERT_TRUE(imported.scene);
    const std::string bytes = EncodeScene(*imported.scene);
    std::string problem;
    for (size_t cut = 0; cut < bytes.size(); cut += bytes.size() / 97 + 1) {
        EXPECT_FALSE(DecodeScene(std::string_view(bytes).substr(0, cut), problem)) << cut;
        EXPECT_FALSE(DecodeSceneInPlace(std::string_view(bytes).substr(0, cut), nullptr, problem));
        EXPECT_FALSE(problem.empty());
    }
    for (size_t at = 4; at + 4 < bytes.size(); at += bytes.size() / 211 + 1) {
        std::string damaged = bytes;
        std::memset(damaged.data() + at, 0xff, 4);
        DecodeScene(damaged, problem);
        DecodeSceneInPlace(damaged, nullptr, problem);
    }
}

// Every way a helper ends is told apart, and none outlives the call.
TEST(WorkerProcess, EveryEndIsNamed)
{
    using platform::WorkerEnd;
    struct Case {
        std::string script;
        WorkerEnd end;
        std::string detail;
        std::string answer;
        bool abandon = false;
    } cases[] = {
        {"printf scene >&3", WorkerEnd::Answered, "", "scene"},
        {"printf half >&3; kill -ABRT $$", WorkerEnd::Stopped, "signal 6, aborted", ""},
        {"kill -SEGV $$", WorkerEnd::Stopped, "signal 11, segmentation fault", ""},
        {"exit 2", WorkerEnd::Stopped, "exit status 2", ""},
        {"exit 75", WorkerEnd::OutOfMemory, "", ""},
        {"exec sleep 30", WorkerEnd::TimedOut, "", ""},
        {"exec sleep 30", WorkerEnd::Abandoned, "", "", true},
        {"head -c 5000 /dev/zero >&3", WorkerEnd::TooLarge, "", ""},
        // Once it says its answer is whole, what the helper does next does not count.
        {"printf scene >&3; printf 1 >&4; exec sleep 30", WorkerEnd::Answered, "", "scene"},
        {"printf scene >&3; printf 1 >&4; kill -ABRT $$", WorkerEnd::Answered, "", "scene"},
        {"exec 4>&-; printf scene >&3", WorkerEnd::Answered, "", "scene"},
        {"exec 4>&-; kill -SEGV $$", WorkerEnd::Stopped, "signal 11, segmentation fault", ""},
        // An answer that never stops growing is cut off long before the time cap.
        {"exec cat /dev/zero >&3", WorkerEnd::TooLarge, "", ""},
    };
    platform::WorkerLimits limits;
    limits.time = 300ms;
    limits.answerBytes = 4096;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        const auto start = std::chrono::steady_clock::now();
        const platform::WorkerRun run = platform::RunWorker(
            "/bin/sh", {"-c", c.script}, limits,
            [&] { return c.abandon && std::chrono::steady_clock::now() - start > 50ms; });
        EXPECT_EQ(run.end, c.end);
        EXPECT_EQ(run.detail, c.detail);
        EXPECT_EQ(run.answer.View(), c.answer);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
        // One that answered may still be going, killed and reaped in the background.
        for (int wait = 0; wait < 200 && kill(run.pid, 0) == 0; ++wait)
            std::this_thread::sleep_for(10ms);
        EXPECT_EQ(kill(run.pid, 0), -1) << "the helper is still there";
    }
    const platform::WorkerRun missing = platform::RunWorker("/nonexistent", {}, limits, {});
    EXPECT_EQ(missing.end, WorkerEnd::CouldNotStart);
    EXPECT_FALSE(missing.detail.empty());
}

namespace {

class ImportWorkerLoads : public ModelTest {
   protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        for (const auto& [path, segments] : {std::pair{&large, 700}, std::pair{&small, 4}}) {
            *path = scratch / path->string();
            assets::SceneNodeMesh torus;
            torus.nodeName = "Torus";
            assets::AddTorus(torus.geometry, 1.0f, 0.35f, segments, segments / 2);
            ASSERT_EQ(assets::WriteFbxScene(path->string(), {torus}), "");
        }
        Load(small);
        ASSERT_EQ(ShownPath(), small.string());
    }
    void TearDown() override
    {
        SetImportWorkerLimits({});
        SetImportWorkerEnabled(true);
    }

    static CScene& Shown() { return *GetEngine()->scene; }
    static std::string ShownPath() { return ShownModelPath(); }
    static void WaitForLoads()
    {
        const auto deadline = std::chrono::steady_clock::now() + 2min;
        while (Shown().IsLoadPending() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        ASSERT_FALSE(Shown().IsLoadPending());
    }
    static void Load(const fs::path& path)
    {
        Shown().LoadModel(path, importer);
        WaitForLoads();
    }
    // The worker of the load just asked for, once it runs.
    static pid_t NewWorker(pid_t before)
    {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (LatestImportWorkerPid() == before && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(100us);
        return LatestImportWorkerPid();
    }
    // Loads the large model, whose worker is the first after `before`, asks for the small one
    // instead and gives how long that worker lived on.
    std::chrono::steady_clock::duration WorkerLifeWhenOvertaken(pid_t before)
    {
        Shown().LoadModel(large, importer);
        const pid_t worker = NewWorker(before);
        EXPECT_NE(worker, before);
        Shown().LoadModel(small, importer);
        const auto asked = std::chrono::steady_clock::now();
        while (kill(worker, 0) == 0 && std::chrono::steady_clock::now() - asked < 2s)
            std::this_thread::sleep_for(100us);
        return std::chrono::steady_clock::now() - asked;
    }
    static bool Logged(const std::string& text) { return std::ranges::count(LogTexts(), text) > 0; }
    // An overtaken load may still be winding down when the newest one has settled.
    static bool LoggedSoon(const std::string& text)
    {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (!Logged(text) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        return Logged(text);
    }

    static inline CModelImporter importer;
    fs::path large = "large.fbx";
    fs::path small = "small.fbx";
};

}  // namespace

// A worker killed from outside, or one over its time, ends in its message; the model shown
// before stays.
TEST_F(ImportWorkerLoads, AWorkerThatDiesOrHangsLeavesTheShownModel)
{
    const pid_t before = LatestImportWorkerPid();
    Shown().LoadModel(large, importer);
    const pid_t worker = NewWorker(before);
    ASSERT_NE(worker, before);
    kill(worker, SIGKILL);
    WaitForLoads();
    EXPECT_TRUE(Logged("Cannot load " + large.string() +
                       ": the import library stopped (signal 9, killed)"));
    EXPECT_EQ(ShownPath(), small.string());

    platform::WorkerLimits quick;
    quick.time = 1ms;
    SetImportWorkerLimits(quick);
    Load(large);
    EXPECT_TRUE(
        Logged("Cannot load " + large.string() + ": the import library took longer than 0.001 s"));
    EXPECT_EQ(ShownPath(), small.string());
}

// An overtaken load's worker is gone within 100 ms of the newer request, and a flood of
// requests ends with the last one shown.
TEST_F(ImportWorkerLoads, OvertakenLoadsStopTheirWorkers)
{
    EXPECT_LT(WorkerLifeWhenOvertaken(LatestImportWorkerPid()), 100ms);
    WaitForLoads();
    EXPECT_TRUE(LoggedSoon("Model load superseded: " + large.string()));

    for (int i = 0; i < 10000; ++i)
        Shown().LoadModel(i % 2 ? small : large, importer);
    Load(large);
    EXPECT_EQ(ShownPath(), large.string());
}

// An import started ahead serves the first load of its file and flags and no other; a load
// overtaken while it waits for it stops its worker as it would stop its own.
TEST_F(ImportWorkerLoads, AnImportAheadServesOneLoadOfItsFile)
{
    const uint64_t imports = LibraryImportCount();
    ASSERT_TRUE(StartImportAhead(large, kModelImportFlags));
    Load(large);
    EXPECT_EQ(ShownPath(), large.string());
    EXPECT_EQ(LibraryImportCount() - imports, 1u);
    EXPECT_FALSE(TakeImportAhead(large, kModelImportFlags));  // used up

    // Other flags, or another file, leave it waiting.
    ASSERT_TRUE(StartImportAhead(small, kAnimationImportFlags));
    EXPECT_FALSE(TakeImportAhead(large, kAnimationImportFlags));
    EXPECT_FALSE(TakeImportAhead(small, kModelImportFlags));
    const std::optional<LibraryImport> taken = TakeImportAhead(small, kAnimationImportFlags);
    ASSERT_TRUE(taken);
    EXPECT_TRUE(taken->scene);
    EXPECT_FALSE(TakeImportAhead(small, kAnimationImportFlags));

    const pid_t before = LatestImportWorkerPid();
    ASSERT_TRUE(StartImportAhead(large, kModelImportFlags));
    EXPECT_LT(WorkerLifeWhenOvertaken(before), 100ms);
    WaitForLoads();
    EXPECT_EQ(ShownPath(), small.string());
}

// Without its worker the viewer still loads, in its own process, and says so.
TEST_F(ImportWorkerLoads, WithoutTheWorkerTheImportRunsHere)
{
    SetImportWorkerEnabled(false);
    Load(large);
    EXPECT_EQ(ShownPath(), large.string());
    EXPECT_TRUE(Logged(
        "Importing in the viewer's own process: the import worker could not start (turned off)"));
}

// A position or scaling key's padding holds whatever the library's heap held: the answer
// leaves it out, so the same file gives the same bytes.
TEST(SceneTransfer, KeyPaddingDoesNotReachTheAnswer)
{
    std::unique_ptr<aiScene> scene = MakeScene({MakeMesh(3)});
    AddAnimation(*scene, {"RootNode"}, 300);
    const std::string clean = EncodeScene(*scene);
    static_assert(sizeof(aiVectorKey) > sizeof(double) + sizeof(aiVector3D));
    const aiNodeAnim& channel = *scene->mAnimations[0]->mChannels[0];
    for (aiVectorKey* keys : {channel.mPositionKeys, channel.mScalingKeys})
        for (unsigned k = 0; k < 300 && (keys != channel.mScalingKeys || k < 1); ++k)
            std::memset(reinterpret_cast<char*>(&keys[k]) + sizeof(double) + sizeof(aiVector3D),
                        0xAB, sizeof(aiVectorKey) - sizeof(double) - sizeof(aiVector3D));
    EXPECT_EQ(EncodeScene(*scene), clean);
}

// A mesh's vertex arrays and faces go back to the system once packed; nothing else does,
// not even what shares their first or last page: its bones, the next mesh.
TEST(SceneTransfer, DiscardedMeshArraysLeaveTheRestOfTheScene)
{
    std::vector<aiVertexWeight> weights;
    for (unsigned v = 0; v < 30001; ++v)
        weights.push_back({v, 0.25f});
    aiMesh* skinned = MakeMesh(30001);
    SetBones(*skinned, {{"Bone", weights}});
    const std::unique_ptr<aiScene> scene = MakeScene({skinned, MakeMesh(30003)});
    const std::string bytes = EncodeScene(*scene);

    const int file = memfd_create("answer", MFD_CLOEXEC);
    ASSERT_GE(file, 0);
    ASSERT_EQ(write(file, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    auto answer =
        std::make_shared<platform::WorkerAnswer>(platform::WorkerAnswer::Map(file, bytes.size()));
    struct stat before {};
    fstat(file, &before);
    std::string problem;
    platform::WorkerAnswer* pages = answer.get();
    const std::shared_ptr<const aiScene> inPlace =
        DecodeSceneInPlace(answer->View(), answer, problem,
                           [pages](const void* at, size_t size) { pages->Discard(at, size); });
    ASSERT_TRUE(inPlace) << problem;
    DiscardMeshArrays(DecodeSceneInPlace(bytes, nullptr, problem), *scene->mMeshes[0]);
    DiscardMeshArrays(inPlace, *inPlace->mMeshes[0]);
    struct stat after {};
    fstat(file, &after);
    close(file);

    // Positions, UVs and faces of 30,001 vertices: about 800 KB, less a page at each end.
    EXPECT_GT((before.st_blocks - after.st_blocks) * 512, 700000);
    const aiMesh& discarded = *inPlace->mMeshes[0];
    EXPECT_TRUE(discarded.HasPositions() && discarded.HasTextureCoords(0));
    EXPECT_EQ(discarded.mVertices[15000], aiVector3D(0, 0, 0));
    ASSERT_EQ(discarded.mNumBones, 1u);
    EXPECT_TRUE(SameBytes(discarded.mBones[0]->mWeights, weights.data(), weights.size()));
    const aiMesh& next = *inPlace->mMeshes[1];
    const aiMesh& original = *scene->mMeshes[1];
    EXPECT_TRUE(SameBytes(next.mVertices, original.mVertices, original.mNumVertices));
    EXPECT_TRUE(
        SameBytes(next.mTextureCoords[0], original.mTextureCoords[0], original.mNumVertices));
    for (unsigned f = 0; f < original.mNumFaces; ++f)
        ASSERT_TRUE(SameBytes(next.mFaces[f].mIndices, original.mFaces[f].mIndices, 3)) << f;
}
