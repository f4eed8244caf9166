// The bone-weight view drawn: two strips skinned to the same two joints (listed in opposite
// orders, so each mesh numbers them differently) and a plain strip, read back in the
// weight view of one joint and in the joint count.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "FbxTreeWriter.h"
#include "MeshBuilder.h"
#include "SnapRenderer.h"
#include "animation/JointPalette.h"
#include "api/Engine.h"
#include "api/tool/ToolAccess.h"
#include "graphics/GraphicsDevice.h"
#include "models/ModelNode.h"
#include "scene/BoneWeightChoice.h"
#include "scene/Scene.h"
#include "support/ScratchDirectory.h"

namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 150;

// Strips along x from -10 to 10: the skinned ones weighted linearly from "Root" (all of
// x = -10) to "Tip" (all of x = 10), so only their end vertices have a single joint.
assets::FbxTree Strips()
{
    assets::FbxTree tree;
    tree.meshes.resize(3);
    for (int m = 0; m < 3; ++m)
        assets::AddPatch(tree.meshes[m], {0, 5.0f * (1 - m), 0}, {10, 0, 0}, {0, 1.5f, 0}, 4, 1);
    tree.nodes = {
        {"Root", -1, {{-10, 0, 0}}, -1, -1, true},
        {"Tip", 0, {{20, 0, 0}}, -1, -1, true},
        {"Upper", -1, {}, 0},
        {"Middle", -1, {}, 1},
        {"Plain", -1, {}, 2},
    };
    for (int node : {2, 3}) {
        assets::FbxTreeSkin skin{node, {{0, {}, {}}, {1, {}, {}}}};
        const std::vector<assets::Vec3>& positions = tree.meshes[tree.nodes[node].mesh].positions;
        for (int32_t v = 0; v < static_cast<int32_t>(positions.size()); ++v) {
            const double tip = (positions[v].x + 10.0) / 20.0;
            for (auto [cluster, weight] : {std::pair{0, 1.0 - tip}, {1, tip}})
                if (weight > 1e-6) {
                    skin.clusters[cluster].vertices.push_back(v);
                    skin.clusters[cluster].weights.push_back(weight);
                }
        }
        if (node == 3)
            std::swap(skin.clusters[0], skin.clusters[1]);
        tree.skins.push_back(skin);
    }
    tree.takes = {{"Still", 1.0, {{1, 'R', {{0, {}}, {1, {}}}}}}};
    return tree;
}

struct Frame {
    std::vector<uint8_t> rgba;
    uint64_t draws = 0;
    const uint8_t* At(int x, int y) const
    {
        return &rgba[(static_cast<size_t>(y) * kWidth + x) * 4];
    }
};

Frame Redraw(const std::function<void(SceneInspection&)>& change)
{
    CScene& scene = *GetEngine()->scene;
    scene.WithModel([&](CModelNode*) { change(scene.inspection); });
    const gpu::Context& context = *GetEngine()->device->context;
    const uint64_t before = context.DrawCount();
    tool::RenderPicture();
    Frame frame;
    frame.draws = context.DrawCount() - before;
    tool::Pixels pixels;
    EXPECT_TRUE(tool::ReadBackBuffer(pixels));
    frame.rgba = std::move(pixels.rgba);
    return frame;
}

enum class Hue { Red, Green, Blue, Yellow, Grey, Other };

Hue HueOf(const uint8_t* p)
{
    const int r = p[0], g = p[1], b = p[2];
    if (r > 110 && g < 70 && b < 70)
        return Hue::Red;
    if (g > 110 && r < 70 && b < 90)
        return Hue::Green;
    if (b > 110 && r < 70 && g < 90)
        return Hue::Blue;
    if (r > 110 && g > 90 && b < 60)
        return Hue::Yellow;
    if (std::abs(r - g) < 12 && std::abs(g - b) < 12 && r > 40 && r < 110)
        return Hue::Grey;
    return Hue::Other;
}

// Where a strip lies in the picture: the middle row of a band of covered rows, and the
// first and last covered column of that row.
struct Band {
    int row = 0, left = 0, right = 0;
    int At(float share) const { return left + static_cast<int>(share * (right - left)); }
};

std::vector<Band> Bands(const Frame& plain)
{
    const uint8_t* background = plain.At(0, 0);
    auto covered = [&](int x, int y) {
        const uint8_t* p = plain.At(x, y);
        return std::abs(p[0] - background[0]) + std::abs(p[1] - background[1]) +
                   std::abs(p[2] - background[2]) >
               12;
    };
    std::vector<Band> bands;
    int start = -1;
    for (int y = 0; y <= kHeight; ++y) {
        const bool row = y < kHeight && covered(kWidth / 2, y);
        if (row && start < 0)
            start = y;
        if (!row && start >= 0) {
            Band band;
            band.row = (start + y - 1) / 2;
            band.left = 0;
            while (band.left < kWidth && !covered(band.left, band.row))
                ++band.left;
            band.right = kWidth - 1;
            while (band.right > 0 && !covered(band.right, band.row))
                --band.right;
            bands.push_back(band);
            start = -1;
        }
    }
    return bands;
}

TEST(BoneWeightView, ColoursEachVertexByItsJointsWeightOrCountAndCostsNothingWhileOff)
{
    testing_support::ScratchDirectory scratch;
    const std::string path = (scratch / "strips.fbx").string();
    ASSERT_EQ(assets::WriteFbxTree(path, Strips(), assets::FbxEncoding::Binary), "");

    SnapOptions options;
    options.outputPath = "unused.png";
    options.width = kWidth;
    options.height = kHeight;
    options.showSky = false;
    SnapSession session(options);
    std::string error;
    ASSERT_TRUE(session.Start(error)) << error;
    SnapImage image;
    ASSERT_TRUE(session.Render(path, image, error)) << error;

    const Frame plain = Redraw([](SceneInspection&) {});
    const std::vector<Band> bands = Bands(plain);
    ASSERT_EQ(bands.size(), 3u) << "upper, middle and plain strip";
    for (const Band& band : bands)
        ASSERT_GT(band.right - band.left, kWidth / 3);

    // The two skinned strips number the joints differently, so a slot must be found per mesh.
    GetEngine()->scene->WithModel([](CModelNode* model) {
        std::vector<CMeshObject*> meshes;
        model->CollectMeshObjects(meshes);
        std::vector<int> slots;
        for (const CMeshObject* mesh : meshes)
            if (mesh->IsSkinned())
                slots.push_back(JointPaletteSlot(*mesh, "Tip"));
        std::sort(slots.begin(), slots.end());
        EXPECT_EQ(slots, (std::vector<int>{0, 1}));
    });

    // Tip's weight: 0 (blue) at x = -10, 1 (red) at x = 10, half (green) between, in both
    // skinned strips whatever number each gives the joint; the plain strip has none.
    const Frame tip =
        Redraw([](SceneInspection& inspection) { ChooseWeightJoint(inspection, "Tip"); });
    EXPECT_EQ(tip.draws, plain.draws) << "drawn instead of the shading, not over it";
    for (int strip = 0; strip < 2; ++strip) {
        SCOPED_TRACE(strip);
        const Band& band = bands[strip];
        EXPECT_EQ(HueOf(tip.At(band.At(0.03f), band.row)), Hue::Blue);
        EXPECT_EQ(HueOf(tip.At(band.At(0.5f), band.row)), Hue::Green);
        EXPECT_EQ(HueOf(tip.At(band.At(0.97f), band.row)), Hue::Red);
    }
    for (float share : {0.03f, 0.5f, 0.97f})
        EXPECT_EQ(HueOf(tip.At(bands[2].At(share), bands[2].row)), Hue::Blue) << share;

    // Root's weight is the other way round.
    const Frame root =
        Redraw([](SceneInspection& inspection) { ChooseWeightJoint(inspection, "Root"); });
    for (int strip = 0; strip < 2; ++strip) {
        EXPECT_EQ(HueOf(root.At(bands[strip].At(0.03f), bands[strip].row)), Hue::Red) << strip;
        EXPECT_EQ(HueOf(root.At(bands[strip].At(0.97f), bands[strip].row)), Hue::Blue) << strip;
    }

    // A joint no mesh has: every weight 0.
    const Frame none =
        Redraw([](SceneInspection& inspection) { ChooseWeightJoint(inspection, "Elbow"); });
    for (const Band& band : bands)
        EXPECT_EQ(HueOf(none.At(band.At(0.97f), band.row)), Hue::Blue);

    // Joints per vertex: one at the ends (blue), two between (green), none on the plain
    // strip (grey).
    const Frame count =
        Redraw([](SceneInspection& inspection) { ShowJointCount(inspection, true); });
    EXPECT_EQ(count.draws, plain.draws);
    for (int strip = 0; strip < 2; ++strip) {
        SCOPED_TRACE(strip);
        const Band& band = bands[strip];
        EXPECT_EQ(HueOf(count.At(band.At(0.03f), band.row)), Hue::Blue);
        EXPECT_EQ(HueOf(count.At(band.At(0.5f), band.row)), Hue::Green);
        EXPECT_EQ(HueOf(count.At(band.At(0.97f), band.row)), Hue::Blue);
    }
    EXPECT_EQ(HueOf(count.At(bands[2].At(0.5f), bands[2].row)), Hue::Grey);

    const Frame off = Redraw([](SceneInspection& inspection) { ClearWeightView(inspection); });
    EXPECT_EQ(off.draws, plain.draws);
    EXPECT_EQ(off.rgba, plain.rgba);
}

}  // namespace
