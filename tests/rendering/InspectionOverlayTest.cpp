// The inspection overlays drawn over a rendered model: read back, and counted in draws.
#include <gtest/gtest.h>

#include <algorithm>

#include "RenderingTestSupport.h"
#include "support/ScratchDirectory.h"

namespace {

using namespace rendertest;

// Two cubes side by side, each on a node of its own: the overlays draw over the shading
// without hiding it, and each costs its draws only while it is on.
TEST(InspectionOverlays, DrawOverTheShadingOnlyWhereAskedAndCostNoDrawWhileOff)
{
    testing_support::ScratchDirectory scratch;
    SnapImage image;
    const auto session = OpenInSnap(TwoCubes(), (scratch / "cubes.fbx").string(), 160, 120, &image);
    ASSERT_TRUE(session);

    const Frame plain = Redraw([](CScene&, CModelNode&) {});
    ASSERT_EQ(plain.rgba, image.rgba) << "a redraw is the same picture";
    const auto [leftCovered, rightCovered] =
        ChangedByHalf(plain, Frame{std::vector<uint8_t>(plain.rgba.size(), plain.rgba[0]), 0, 160});
    ASSERT_GT(leftCovered, 500);
    ASSERT_GT(rightCovered, 500);

    const Frame wire = Redraw([](CScene& scene, CModelNode&) {
        SceneOverlays& overlays = scene.inspection.overlays;
        overlays.wireframe = true;
        overlays.wireframeColour[0] = 1.0f;
        overlays.wireframeColour[1] = overlays.wireframeColour[2] = 0.0f;
    });
    EXPECT_EQ(wire.draws, plain.draws + 2);
    int red = 0;
    for (size_t i = 0; i < wire.rgba.size(); i += 4)
        red += wire.rgba[i] > 200 && wire.rgba[i + 1] < 40 && wire.rgba[i + 2] < 40;
    EXPECT_GT(red, 100) << "edges drawn";
    const auto [wireLeft, wireRight] = ChangedByHalf(plain, wire);
    EXPECT_LT(wireLeft + wireRight, (leftCovered + rightCovered) / 2) << "faces still shaded";

    // Selecting the left node tints its cube and leaves the other alone.
    const Frame selected = Redraw([](CScene& scene, CModelNode& model) {
        scene.inspection.overlays.wireframe = false;
        for (const auto& child : model.children)
            if (child->name == "Left")
                scene.inspection.selected = child.get();
    });
    ASSERT_NE(GetEngine()->scene->inspection.selected, nullptr);
    EXPECT_EQ(selected.draws, plain.draws + 1);
    const auto [tintLeft, tintRight] = ChangedByHalf(plain, selected);
    EXPECT_GT(std::max(tintLeft, tintRight), 300);
    EXPECT_EQ(std::min(tintLeft, tintRight), 0);

    const Frame lines = Redraw([](CScene& scene, CModelNode&) {
        scene.inspection.selected = nullptr;
        scene.inspection.overlays.normals = true;
        scene.inspection.overlays.bounds = true;
    });
    EXPECT_EQ(lines.draws, plain.draws + 2 + 12) << "a line list per mesh, 12 box edges";
    const auto [linesLeft, linesRight] = ChangedByHalf(plain, lines);
    EXPECT_GT(linesLeft, 0);
    EXPECT_GT(linesRight, 0);

    const Frame off = Redraw([](CScene& scene, CModelNode&) { scene.inspection.overlays = {}; });
    EXPECT_EQ(off.draws, plain.draws);
    EXPECT_EQ(off.rgba, plain.rgba);
}

}  // namespace
