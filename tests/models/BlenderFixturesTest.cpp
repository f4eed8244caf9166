// Files written by Blender's FBX exporter at its default settings (tools/blender/
// make-fixtures.py), against Blender's own answers recorded beside them: triangle counts,
// takes and their lengths, and where every vertex stands at rest and in each take.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "ModelTestSupport.h"
#include "animation/AnimationHooks.h"
#include "animation/AnimationQueries.h"
#include "models/ModelImporter.h"
#include "models/ModelNode.h"
#include "scene/ModelFraming.h"
#include "support/Json.h"

using namespace modeltest;
using testing_support::Json;

namespace {

const std::filesystem::path kFixtures = std::filesystem::path(VORNIS_FIXTURES_DIR) / "blender";

// Blender's metres, Z up, as the viewer sees the exported file: centimetres (the exporter's
// unit scale), Y up, and Blender's forward axis towards the viewer's +z.
Float3 FromBlender(const Json& p)
{
    return {static_cast<float>(p[0].number * 100), static_cast<float>(p[2].number * 100),
            static_cast<float>(p[1].number * 100)};
}

class BlenderFixtures : public ModelTest {
   protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        std::ifstream in(kFixtures / "blender-answers.json");
        std::stringstream text;
        text << in.rdbuf();
        answers = Json::Parse(text.str());
        importer.animationHooks = MakeAnimationHooks(services);
        importer.textureSource = &textures.source;
    }

    std::unique_ptr<CModelNode> Import(const std::string& name)
    {
        path = (kFixtures / (name + ".fbx")).string();
        return importer.ImportModel(path, nullptr, kFixtures, 0);
    }

    // Each extent and centre of what the viewer draws within 2 % of the model's size of
    // Blender's box.
    static void ExpectBounds(CModelNode& model, const Json& blender)
    {
        const std::vector<Float3> drawn = DrawnPositions(model);
        ASSERT_FALSE(drawn.empty());
        Float3 low = drawn.front(), high = drawn.front();
        for (const Float3& p : drawn)
            for (int axis = 0; axis < 3; ++axis) {
                low[axis] = std::min(low[axis], p[axis]);
                high[axis] = std::max(high[axis], p[axis]);
            }
        const Float3 a = FromBlender(blender["min"]), b = FromBlender(blender["max"]);
        float size = 0;
        for (int axis = 0; axis < 3; ++axis)
            size = std::max(size, std::fabs(b[axis] - a[axis]));
        for (int axis = 0; axis < 3; ++axis) {
            SCOPED_TRACE("axis " + std::to_string(axis));
            const float expectedLow = std::min(a[axis], b[axis]);
            const float expectedHigh = std::max(a[axis], b[axis]);
            EXPECT_NEAR(high[axis] - low[axis], expectedHigh - expectedLow, 0.02f * size);
            EXPECT_NEAR(high[axis] + low[axis], expectedHigh + expectedLow, 0.04f * size);
        }
    }

    CModelImporter importer;
    AnimationServices services;
    FakeTextureSource textures;
    Json answers;
    std::string path;
};

TEST_F(BlenderFixtures, CountsTakesAndBoundsAreBlenders)
{
    for (const char* name :
         {"parented_prop", "instances", "skinned_figure", "textured", "windmill"}) {
        SCOPED_TRACE(name);
        const Json& blender = answers[name];
        ASSERT_EQ(blender.kind, Json::Kind::Object) << "no answers for it";
        std::unique_ptr<CModelNode> model = Import(name);
        ASSERT_NE(model, nullptr);

        uint64_t triangles = 0;
        model->VisitPlacedMeshes(std::nullopt, [&](CMeshObject& mesh, const Matrix4&) {
            triangles += mesh.meshData->indices.size() / 3;
        });
        EXPECT_EQ(triangles, static_cast<uint64_t>(blender["triangles"].number));

        const Json& takes = blender["takes"];
        if (takes.items.empty()) {
            ExpectBounds(*model, blender["rest_bounds"]);
            continue;
        }
        const AnimationOverview overview = DescribeAnimation(model.get());
        for (const Json& take : takes.items) {
            SCOPED_TRACE(take["name"].text);
            const auto clip = std::find(overview.clipNames.begin(), overview.clipNames.end(),
                                        path + " [" + take["name"].text + "]");
            ASSERT_NE(clip, overview.clipNames.end());
            const size_t index = static_cast<size_t>(clip - overview.clipNames.begin());
            EXPECT_NEAR(overview.clipLoopSeconds[index], take["seconds"].number, 0.01);
            ActivateClip(*model, static_cast<int>(index) - 1);
            for (const Json& moment : take["bounds"].items) {
                SCOPED_TRACE("at " + std::to_string(moment["seconds"].number) + " s");
                SetAnimationTime(*model, static_cast<float>(moment["seconds"].number));
                ExpectBounds(*model, moment);
            }
        }
    }
}

// Blender's textures folder, its roughness map and its metallic value reach the material.
TEST_F(BlenderFixtures, TexturesInTheTexturesFolderAndMetalsArrive)
{
    std::unique_ptr<CModelNode> model = Import("textured");
    ASSERT_NE(model, nullptr);
    const std::set<std::string>& found = model->importContext->texturesFound;
    EXPECT_TRUE(found.contains((kFixtures / "textures/crate_basecolor.png").string()));
    EXPECT_TRUE(found.contains((kFixtures / "textures/crate_roughness.png").string()));
    EXPECT_TRUE(model->importContext->texturesMissing.empty());
    ASSERT_EQ(textures.materials.size(), 2u);
    const auto maps = std::find_if(textures.materials.begin(), textures.materials.end(),
                                   [](const MaterialMaps& m) { return !m.roughnessMap.empty(); });
    ASSERT_NE(maps, textures.materials.end()) << "the crate's roughness map";
    const auto steel = std::find_if(textures.materials.begin(), textures.materials.end(),
                                    [](const MaterialMaps& m) { return m.roughnessMap.empty(); });
    EXPECT_FLOAT_EQ(steel->values.metalness, 1.0f);
    EXPECT_NEAR(steel->values.roughness, 0.25f, 1e-4f);
}

}  // namespace
