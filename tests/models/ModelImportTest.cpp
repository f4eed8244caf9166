// Importing model and animation files: real files checked against the import library's
// own reading, failures, animation hand-over, release of replaced models, and overlapping
// load requests.
#include <assimp/cimport.h>
#include <malloc.h>
#include <sys/stat.h>
#include <assimp/Exporter.hpp>

#include <chrono>
#include <fstream>
#include <random>
#include <set>
#include <thread>

#include "FbxBinaryWriter.h"
#include "FbxSceneWriter.h"
#include "HostileFbx.h"
#include "ModelTestSupport.h"
#include "models/LibraryImport.h"
#include "models/MeshData.h"
#include "models/ModelImporter.h"
#include "models/ModelNode.h"

using namespace modeltest;

namespace {

class ModelImport : public ModelTest {
   protected:
    std::unique_ptr<CModelNode> Import(const std::string& path,
                                       CModelImporter::ErrorCallback callback = {})
    {
        return importer.ImportModel(path.c_str(), std::move(callback),
                                    std::filesystem::path(path).parent_path().string(), 0);
    }
    CModelImporter importer;
};

struct AttachCall {
    CMeshObject* meshObject;
    ImportedScenePtr scene;
    std::string path, nodeName;
    const aiMesh* mesh;
};

// Animation hooks that record what import hands over.
struct RecordingHooks {
    explicit RecordingHooks(CModelImporter& importer)
    {
        ModelAnimationHooks& hooks = importer.animationHooks;
        hooks.attachAnimation = [this](CMeshObject& meshObject, const auto&... sceneToMesh) {
            attaches.push_back({&meshObject, sceneToMesh...});
        };
        hooks.addActiveAnimation = [this](CModelNode&, int clip) { activeClips.push_back(clip); };
    }
    std::vector<AttachCall> attaches;  // they keep the scenes, as the animation side does
    std::vector<int> activeClips;
};

// The name of every node once per mesh it refers to.
void MeshReferences(const aiNode& node, std::multiset<std::string>& names)
{
    for (unsigned m = 0; m < node.mNumMeshes; ++m)
        names.insert(node.mName.C_Str());
    for (unsigned c = 0; c < node.mNumChildren; ++c)
        MeshReferences(*node.mChildren[c], names);
}

}  // namespace

// Each mesh object is what the library itself reads; the skinned ones, and only those, are
// handed their own mesh's animation with clip 0 active; the model releases its scene.
TEST_F(ModelImport, RealFilesMatchWhatTheImportLibraryReads)
{
    for (const char* file : {"box.fbx", "spider.fbx", "huesitos.fbx", "animation_with_skeleton.fbx",
                             "cubes_with_names.fbx", "maxPbrMaterial_metalRough.fbx"}) {
        SCOPED_TRACE(file);
        const std::string path = kFbxDir + file;
        RecordingHooks recorder(importer);
        auto root = Import(path);
        ASSERT_NE(root, nullptr);
        const aiScene* reference = aiImportFile(path.c_str(), kModelImportFlags);
        ASSERT_NE(reference, nullptr);
        ASSERT_EQ(root->scene->mNumMeshes, reference->mNumMeshes);
        std::multiset<std::string> meshNodes;
        MeshReferences(*reference->mRootNode, meshNodes);
        std::vector<CMeshObject*> meshObjects;
        root->CollectMeshObjects(meshObjects);
        EXPECT_EQ(meshObjects.size(), meshNodes.size());
        size_t skinnedMeshes = 0;
        for (unsigned m = 0; m < reference->mNumMeshes; ++m)
            skinnedMeshes += reference->mMeshes[m]->mNumBones > 0;

        size_t skinned = 0;
        for (CMeshObject* meshObject : meshObjects) {
            const MeshData& mesh = *meshObject->meshData;
            const aiMesh* const* ours = root->scene->mMeshes;
            const size_t index =
                std::find(ours, ours + root->scene->mNumMeshes, mesh.importedMesh) - ours;
            ASSERT_LT(index, reference->mNumMeshes);
            const aiMesh& expected = *reference->mMeshes[index];
            size_t indexCount = 0;  // of triangles: lines and points are not drawn
            for (unsigned f = 0; f < expected.mNumFaces; ++f)
                indexCount += expected.mFaces[f].mNumIndices == 3 ? 3 : 0;
            EXPECT_EQ(mesh.indices.size(), indexCount);
            EXPECT_EQ(mesh.vertexCount, expected.mNumVertices);
            EXPECT_TRUE(meshObject->IsDrawable());  // box.fbx has no UVs: drawn all the same
            EXPECT_EQ(mesh.hasBones, expected.mNumBones > 0 ? 1 : 0);
            EXPECT_EQ(mesh.materialIndex, expected.mMaterialIndex);
            EXPECT_EQ(meshObject->modelPath, path);
            EXPECT_TRUE(meshNodes.count(meshObject->name)) << meshObject->name;
            skinned += mesh.hasBones;
        }
        aiReleaseImport(reference);

        ASSERT_EQ(recorder.attaches.size(), skinned);
        for (const AttachCall& call : recorder.attaches) {
            EXPECT_EQ(call.scene.get(), root->scene);
            EXPECT_EQ(call.path, path);
            EXPECT_EQ(call.mesh, call.meshObject->meshData->importedMesh);
        }
        EXPECT_EQ(recorder.activeClips, std::vector<int>(skinnedMeshes, 0));

        std::weak_ptr<const aiScene> scene = root->importContext->scene;
        recorder.attaches.clear();  // the animation side would drop its clips with the model
        root.reset();
        EXPECT_TRUE(scene.expired());
    }
}

// Every file that cannot be shown ends in one error message, which the error callback hears
// last. What the library never sees says what is wrong with the file, without the exporter
// hint (which is for files the library read and refused), and the animation import says the
// same. A FIFO must not block the import. A file the library read and refused gets the
// exporter hint, and the animation import names the missing layout.
TEST_F(ModelImport, UnreadableFilesFailWithOneMessage)
{
    namespace fs = std::filesystem;
    fs::create_directories(scratch / "folder.fbx");
    ASSERT_EQ(mkfifo((scratch / "pipe.fbx").c_str(), 0600), 0);
    fs::create_symlink(scratch / "gone.fbx", scratch / "dangling.fbx");
    hostile_fbx::WriteFile(scratch / "cycle.fbx", hostile_fbx::RealFileWithParentCycle());
    hostile_fbx::WriteFile(scratch / "deep.fbx",
                           hostile_fbx::AsciiModels(10000, hostile_fbx::Chain(10000)));
    // The file and its message, % standing for the path; the cycle's only starts so. Empty:
    // whatever the library says.
    std::vector<std::pair<fs::path, std::string>> cases = {
        {"missing.fbx", "No such file: %"},
        {"dangling.fbx", "No such file: %"},
        {"folder.fbx", "Not a regular file: %"},
        {"pipe.fbx", "Not a regular file: %"},
        {"cycle.fbx", "Cannot load %: models are parented in a cycle (model '"},
        {"deep.fbx", "Cannot load %: models are nested more than 1000 levels deep (model 'M1001')"},
        {kFbxDir + "transparentTest.fbx", ""},  // damaged
    };
    std::ifstream spider(kFbxDir + "spider.fbx", std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(spider)), {});
    for (size_t cut : {size_t(0), size_t(20), size_t(27), size_t(300), content.size() / 2,
                       content.size() * 3 / 4}) {
        cases.push_back({"cut_" + std::to_string(cut) + ".fbx", ""});
        scratch.Write(cases.back().first, content.substr(0, cut));
    }
    // A binary file of the asset generator's own writer, whole, then cut inside its
    // compressed arrays.
    const fs::path binary = scratch / "binary.fbx";
    assets::SceneNodeMesh torus;
    assets::AddTorus(torus.geometry, 1.0f, 0.35f, 24, 12);
    ASSERT_EQ(assets::WriteBinaryFbxScene(binary, {torus}), "");
    auto whole = Import(binary);
    ASSERT_NE(whole, nullptr) << GetEngine()->scene->log.LastMessage();
    EXPECT_EQ(whole->scene->mMeshes[0]->mNumFaces, 2u * 24 * 12);
    fs::resize_file(binary, fs::file_size(binary) / 2);
    cases.push_back({binary, ""});
    std::mt19937 random(1234);
    for (size_t size : {size_t(1), size_t(64), size_t(4096), size_t(100000)}) {
        for (std::string bytes : {std::string(), std::string("Kaydara FBX Binary  \0\x1a\0", 23),
                                  std::string("; FBX 7.4.0 project file\n")}) {
            cases.push_back({"random_" + std::to_string(cases.size()) + ".fbx", ""});
            for (size_t i = 0; i < size; ++i)
                bytes.push_back(static_cast<char>(random()));
            scratch.Write(cases.back().first, bytes);
        }
    }
    for (auto& [file, expected] : cases) {
        const fs::path path = scratch / file;
        SCOPED_TRACE(path);
        if (const size_t at = expected.find('%'); at != std::string::npos)
            expected.replace(at, 1, path.string());
        std::vector<std::string> heard;
        const size_t before = GetEngine()->scene->log.Count();
        EXPECT_EQ(Import(path, [&](const std::string& text) { heard.push_back(text); }), nullptr);
        ASSERT_EQ(GetEngine()->scene->log.Count(), before + 1);
        EXPECT_EQ(GetEngine()->scene->log.LastMessageLevel(), uint32_t(MessageLevelError));
        const std::string message = GetEngine()->scene->log.LastMessage();
        ASSERT_FALSE(heard.empty());
        EXPECT_EQ(heard.back(), message);
        if (expected.empty())
            continue;
        EXPECT_EQ(message.substr(0, expected.size()), expected);
        EXPECT_EQ(heard.size(), 1u);
        EXPECT_FALSE(importer.ImportAnimationFile(path));
        EXPECT_EQ(GetEngine()->scene->log.LastMessage(), message);
    }

    const std::string damaged = kFbxDir + "transparentTest.fbx";
    std::vector<std::string> heard;
    EXPECT_EQ(Import(damaged, [&](const std::string& text) { heard.push_back(text); }), nullptr);
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_NE(heard[0].find("FBX-Tokenize"), std::string::npos) << heard[0];
    EXPECT_EQ(heard[1], heard[0] + " : check if you exported with settings: FBX 2014/2015");
    EXPECT_FALSE(importer.ImportAnimationFile(damaged.c_str()));
    EXPECT_EQ(GetEngine()->scene->log.LastMessage(),
              heard[0] + " :File error, Basic layout is missing, are the UV Coordinates present?");
}

// Files imported together give what each gives alone, in the order asked, for one library
// import each; a missing file among them fails alone, with its own message (the last).
TEST_F(ModelImport, FilesImportedTogetherMatchEachImportedAlone)
{
    const std::vector<std::string> files = {"spider.fbx", "box.fbx", "huesitos.fbx", "missing.fbx"};
    std::vector<ModelRequest> requests;
    for (const std::string& file : files)
        requests.push_back({kFbxDir + file, kFbxDir, 0, true});
    const uint64_t imports = LibraryImportCount();
    const std::vector<std::unique_ptr<CModelNode>> together = importer.ImportModels(requests);
    EXPECT_EQ(LibraryImportCount() - imports, files.size());
    EXPECT_EQ(GetEngine()->scene->log.LastMessage(), "No such file: " + kFbxDir + "missing.fbx");
    ASSERT_EQ(together.size(), files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i]);
        const std::unique_ptr<CModelNode> alone = Import(kFbxDir + files[i]);
        ASSERT_EQ(together[i] != nullptr, alone != nullptr);
        if (!alone)
            continue;
        std::vector<CMeshObject*> ours, theirs;
        together[i]->CollectMeshObjects(ours);
        alone->CollectMeshObjects(theirs);
        ASSERT_EQ(ours.size(), theirs.size());
        for (size_t m = 0; m < ours.size(); ++m) {
            EXPECT_EQ(ours[m]->name, theirs[m]->name);
            EXPECT_EQ(ours[m]->modelPath, kFbxDir + files[i]);
            EXPECT_EQ(ours[m]->meshData->indices, theirs[m]->meshData->indices);
        }
    }
}

TEST_F(ModelImport, AnimationOnlyFileIsHandedToTheShownModel)
{
    const std::string path = scratch / "walk.fbx";
    auto written = MakeScene({});
    AddNode(*written->mRootNode, "Hips");
    AddAnimation(*written, {"Hips"});
    Assimp::Exporter exporter;
    ASSERT_EQ(exporter.Export(written.get(), "fbxa", path), AI_SUCCESS);
    RecordingHooks recorder(importer);

    // With no model shown nothing receives it, and the animation import still succeeds.
    EXPECT_EQ(Import(path), nullptr);
    EXPECT_TRUE(importer.ImportAnimationFile(path.c_str()));
    EXPECT_TRUE(recorder.attaches.empty());

    NamedTree shown;
    importer.shownModel = [&shown](const auto& use) { use(shown.root.get()); };
    EXPECT_TRUE(importer.ImportAnimationFile(path.c_str()));
    EXPECT_EQ(recorder.attaches.size(), 6u);
    recorder.attaches.clear();
    EXPECT_EQ(Import(path), nullptr);
    std::vector<std::string> names;
    for (const AttachCall& call : recorder.attaches) {
        names.push_back(call.nodeName);
        EXPECT_EQ(call.path, path);
        EXPECT_EQ(call.mesh, nullptr);
        ASSERT_NE(call.scene, nullptr);
        EXPECT_EQ(call.scene->mNumAnimations, 1u);
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"deep", "first", "first", "second", "Root", "Root"}));
    EXPECT_EQ(recorder.attaches.back().meshObject, &shown.Mesh("r1"));
}

// Loading a model over and over must not pile up copies: one spider holds well over 1 MiB,
// 25 kept copies could not hide in 256 KiB.
TEST_F(ModelImport, LoadingTheSameModelManyTimesKeepsMemoryFlat)
{
    size_t before = 0;
    for (int i = 0; i < 28; ++i) {
        if (i == 3)
            before = mallinfo2().uordblks;
        ASSERT_NE(Import(kFbxDir + "spider.fbx"), nullptr);
    }
    const size_t after = mallinfo2().uordblks;
    EXPECT_LT(after, before + 256 * 1024) << "before " << before << ", after " << after;
}

// Model and animation loads run on threads of their own; two failing at once must each
// report the library's reason for their own file.
TEST_F(ModelImport, ConcurrentFailuresEachReportTheirOwnReason)
{
    const CModelImporter importer;
    std::vector<std::string> reasons(4);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < reasons.size(); ++i)
        threads.emplace_back([&, i] {
            const std::string path = "/nonexistent/model_" + std::to_string(i) + ".fbx";
            importer.ImportModel(
                path.c_str(),
                [&, i](const std::string& text) {
                    if (reasons[i].empty())
                        reasons[i] = text;
                },
                "/nonexistent", 0);
        });
    for (std::thread& thread : threads)
        thread.join();
    for (size_t i = 0; i < reasons.size(); ++i)
        EXPECT_NE(reasons[i].find("model_" + std::to_string(i)), std::string::npos) << reasons[i];
}

// Overlapping model loads: the newest request is what ends up shown, whichever load
// finishes first, and the overtaken model is freed.
namespace {

namespace fs = std::filesystem;

class ModelLoadRequests : public ModelTest {
   protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        for (const auto& [path, segments] : {std::pair{&large, 360}, std::pair{&small, 4}}) {
            *path = scratch / path->string();
            assets::SceneNodeMesh torus;
            torus.nodeName = "Torus";
            assets::AddTorus(torus.geometry, 1.0f, 0.35f, segments, segments / 2);
            ASSERT_EQ(assets::WriteFbxScene(path->string(), {torus}), "");
        }
    }

    static CScene& Shown() { return *GetEngine()->scene; }
    static std::string ShownPath() { return ShownModelPath(); }
    static size_t Count(const std::string& text) { return std::ranges::count(LogTexts(), text); }

    // Waits until `text` is logged and no load is pending; meanwhile, whenever no load is
    // pending, `expected` must be the shown model.
    void WaitFor(const std::string& text, const std::string& expected)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
        while ((Count(text) == 0 || Shown().IsLoadPending()) &&
               std::chrono::steady_clock::now() < deadline) {
            if (!Shown().IsLoadPending()) {
                ASSERT_EQ(ShownPath(), expected);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_EQ(Count(text), 1u) << text;
        ASSERT_FALSE(Shown().IsLoadPending());
    }

    // The importer must outlive every load thread, the overtaken ones too.
    static inline CModelImporter importer;
    fs::path large = "large.fbx";  // slow to import
    fs::path small = "small.fbx";
};

TEST_F(ModelLoadRequests, TheNewestRequestIsShownWhicheverLoadFinishesFirst)
{
    // First the slow load is overtaken by a quick one, then the quick one by a slow one.
    for (const auto& [first, second] : {std::pair{large, small}, std::pair{small, large}}) {
        SCOPED_TRACE(first.filename().string() + " then " + second.filename().string());
        // Both requests are made under the model lock, so that the quick load cannot end
        // before the second request on a slow (instrumented) run.
        Shown().WithModel([&](CModelNode*) {
            Shown().LoadModel(first, importer);
            Shown().LoadModel(second, importer);
        });
        EXPECT_TRUE(Shown().IsLoadPending());
        WaitFor("Model loaded: " + second.string(), second.string());
        WaitFor("Model load superseded: " + first.string(), second.string());
        EXPECT_EQ(ShownPath(), second.string());
        EXPECT_EQ(Count("Model loaded: " + first.string()), 0u);
        EXPECT_EQ(GetEngine()->ModelPath(), second.string());
        GetEngine()->scene = std::make_unique<CScene>();
        ConnectScene(*GetEngine(), Shown());
    }
}

// A model in an animation file is shown only while no request waits: it must not push
// aside a model the user asked for.
TEST_F(ModelLoadRequests, AnAnimationLoadGivesWayToAWaitingRequest)
{
    Shown().LoadModel(large, importer);
    Shown().LoadModel(small, importer, ModelLoadKind::Animation);
    WaitFor("Model loaded: " + large.string(), large.string());
    // The small file ends first (almost always): overtaken by the waiting request. Had it
    // ended after the large model was shown, it would have replaced it, as designed.
    const bool overtaken = Count("Model load superseded: " + small.string()) == 1;
    EXPECT_NE(overtaken, Count("Model loaded: " + small.string()) == 1);
    EXPECT_EQ(ShownPath(), overtaken ? large.string() : small.string());
}

}  // namespace
