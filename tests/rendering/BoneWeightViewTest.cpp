// The bone-weight view drawn: two strips skinned to the same two joints (listed in opposite
// orders, so each mesh numbers them differently) and a plain strip, read back in the
// weight view of one joint and in the joint count.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

#include "RenderingTestSupport.h"
#include "animation/JointPalette.h"
#include "scene/BoneWeightChoice.h"
#include "support/ScratchDirectory.h"

namespace {

using namespace rendertest;

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
    tree.nodes = {{"Root", -1, {{-10, 0, 0}}, -1, -1, true},
                  {"Tip", 0, {{20, 0, 0}}, -1, -1, true},
                  {"Upper", -1, {}, 0},
                  {"Middle", -1, {}, 1},
                  {"Plain", -1, {}, 2}};
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

enum class Hue { Red, Green, Blue, Grey, Other };

void PrintTo(Hue hue, std::ostream* out)
{
    static const char* const kNames[] = {"red", "green", "blue", "grey", "other"};
    *out << kNames[static_cast<int>(hue)];
}

Hue HueOf(const uint8_t* p)
{
    const int r = p[0], g = p[1], b = p[2];
    if (r > 110 && g < 70 && b < 70)
        return Hue::Red;
    if (g > 110 && r < 70 && b < 90)
        return Hue::Green;
    if (b > 110 && r < 70 && g < 90)
        return Hue::Blue;
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
    auto covered = [&](int x, int y) { return Differs(plain.At(x, y), plain.At(0, 0), 12); };
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
    const auto session = OpenInSnap(Strips(), (scratch / "strips.fbx").string(), kWidth, kHeight);
    ASSERT_TRUE(session);
    const Frame plain = Redraw([](CScene&, CModelNode&) {});
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

    // Hues at x = -10, 0 and 10 of both skinned strips (whatever number each gives the
    // joint), then of the plain strip. A weight runs blue (0), green (half) to red (1); a
    // joint count blue (one), green (two), grey (none).
    using H = Hue;
    const struct {
        const char* what;
        std::function<void(SceneInspection&)> choose;
        Hue skinned[3], plain[3];
    } cases[] = {
        {"Tip's weight",
         [](SceneInspection& i) { ChooseWeightJoint(i, "Tip"); },
         {H::Blue, H::Green, H::Red},
         {H::Blue, H::Blue, H::Blue}},
        {"Root's weight",
         [](SceneInspection& i) { ChooseWeightJoint(i, "Root"); },
         {H::Red, H::Green, H::Blue},
         {H::Blue, H::Blue, H::Blue}},
        {"a joint no mesh has",
         [](SceneInspection& i) { ChooseWeightJoint(i, "Elbow"); },
         {H::Blue, H::Blue, H::Blue},
         {H::Blue, H::Blue, H::Blue}},
        {"joint count",
         [](SceneInspection& i) { ShowJointCount(i, true); },
         {H::Blue, H::Green, H::Blue},
         {H::Grey, H::Grey, H::Grey}},
    };
    const float shares[] = {0.03f, 0.5f, 0.97f};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Frame frame = Redraw([&](CScene& scene, CModelNode&) {
            ClearWeightView(scene.inspection);
            c.choose(scene.inspection);
        });
        EXPECT_EQ(frame.draws, plain.draws) << "drawn instead of the shading, not over it";
        for (int strip = 0; strip < 3; ++strip)
            for (int at = 0; at < 3; ++at)
                EXPECT_EQ(HueOf(frame.At(bands[strip].At(shares[at]), bands[strip].row)),
                          strip < 2 ? c.skinned[at] : c.plain[at])
                    << "strip " << strip << " at " << shares[at];
    }

    const Frame off = Redraw([](CScene& scene, CModelNode&) { ClearWeightView(scene.inspection); });
    EXPECT_EQ(off.draws, plain.draws);
    EXPECT_EQ(off.rgba, plain.rgba);
}

}  // namespace
