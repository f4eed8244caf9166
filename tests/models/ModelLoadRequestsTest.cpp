// Overlapping model loads: the newest request is what ends up shown, whichever load
// finishes first, and the overtaken model is freed (LeakSanitizer watches this program).
#include <chrono>
#include <thread>

#include "FbxSceneWriter.h"
#include "ModelTestSupport.h"
#include "models/ModelImporter.h"
#include "models/ModelNode.h"

using namespace modeltest;

namespace {

namespace fs = std::filesystem;

class ModelLoadRequests : public ModelTest {
   protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        directory = TempDirectory("requests");
        for (const auto& [path, segments] : {std::pair{large, 360}, std::pair{small, 4}}) {
            assets::SceneNodeMesh torus;
            torus.nodeName = "Torus";
            assets::AddTorus(torus.geometry, 1.0f, 0.35f, segments, segments / 2);
            ASSERT_EQ(assets::WriteFbxScene((directory / path).string(), {torus}), "");
        }
        large = directory / large;
        small = directory / small;
    }
    void TearDown() override { fs::remove_all(directory); }

    static CScene& Shown() { return *GetEngine()->scene; }
    static std::string ShownPath()
    {
        std::string path;
        Shown().WithModel([&](CModelNode* model) {
            if (model && model->importContext)
                path = model->importContext->path;
        });
        return path;
    }
    static size_t Count(const std::string& text)
    {
        const auto log = Log();
        return std::count_if(log.begin(), log.end(),
                             [&](auto& entry) { return entry.text == text; });
    }

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
    fs::path directory;
    fs::path large = "large.fbx";  // slow to import
    fs::path small = "small.fbx";
};

TEST_F(ModelLoadRequests, TheNewestRequestIsShownWhicheverLoadFinishesFirst)
{
    // First the slow load is overtaken by a quick one, then the quick one by a slow one.
    for (const auto& [first, second] : {std::pair{large, small}, std::pair{small, large}}) {
        SCOPED_TRACE(first.filename().string() + " then " + second.filename().string());
        Shown().LoadModel(first, importer);
        Shown().LoadModel(second, importer);
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
