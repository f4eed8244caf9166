// The inspection overlays drawn over a rendered model: read back, and counted in draws.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "FbxTreeWriter.h"
#include "MeshBuilder.h"
#include "SnapRenderer.h"
#include "api/Engine.h"
#include "api/tool/ToolAccess.h"
#include "graphics/GraphicsDevice.h"
#include "models/ModelNode.h"
#include "scene/Scene.h"
#include "support/ScratchDirectory.h"

namespace {

namespace fs = std::filesystem;
using assets::Vec3;

assets::MeshGeometry Cube(Vec3 centre)
{
    assets::MeshGeometry cube;
    for (int axis = 0; axis < 3; ++axis)
        for (float side : {-1.0f, 1.0f}) {
            Vec3 n{}, u{}, v{};
            (axis == 0 ? n.x : axis == 1 ? n.y : n.z) = side;
            (axis == 0 ? u.y : axis == 1 ? u.z : u.x) = 1;
            (axis == 0 ? v.z : axis == 1 ? v.x : v.y) = side;
            assets::AddPatch(cube, centre + n, u, v, 1, 1);
        }
    return cube;
}

struct Frame {
    std::vector<uint8_t> rgba;
    uint64_t draws = 0;
};

// The model drawn again as it stands after `change`, with the draws it took.
Frame Redraw(const std::function<void(CScene&, CModelNode&)>& change)
{
    CScene& scene = *GetEngine()->scene;
    scene.WithModel([&](CModelNode* model) { change(scene, *model); });
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

// Pixels of `a` and `b` that differ, counted in the left and right halves of the picture.
std::pair<int, int> ChangedByHalf(const Frame& a, const Frame& b, int width)
{
    std::pair<int, int> changed;
    for (size_t i = 0; i + 3 < a.rgba.size() && i + 3 < b.rgba.size(); i += 4) {
        if (std::abs(a.rgba[i] - b.rgba[i]) + std::abs(a.rgba[i + 1] - b.rgba[i + 1]) +
                std::abs(a.rgba[i + 2] - b.rgba[i + 2]) <=
            6)
            continue;
        (static_cast<int>(i / 4 % width) < width / 2 ? changed.first : changed.second) += 1;
    }
    return changed;
}

// Two cubes side by side, each on a node of its own: the overlays draw over the shading
// without hiding it, and each costs its draws only while it is on.
TEST(InspectionOverlays, DrawOverTheShadingOnlyWhereAskedAndCostNoDrawWhileOff)
{
    testing_support::ScratchDirectory scratch;
    assets::FbxTree tree;
    tree.meshes = {Cube({0, 0, 0})};
    tree.nodes = {{.name = "Left"}, {.name = "Right"}};
    tree.nodes[0].mesh = tree.nodes[1].mesh = 0;
    tree.nodes[0].transform.translation = {-1.6f, 0, 0};
    tree.nodes[1].transform.translation = {1.6f, 0, 0};
    const std::string path = (scratch / "cubes.fbx").string();
    ASSERT_EQ(assets::WriteFbxTree(path, tree, assets::FbxEncoding::Binary), "");

    SnapOptions options;
    options.outputPath = "unused.png";
    options.width = 160;
    options.height = 120;
    options.showSky = false;
    SnapSession session(options);
    std::string error;
    ASSERT_TRUE(session.Start(error)) << error;
    SnapImage image;
    ASSERT_TRUE(session.Render(path, image, error)) << error;

    const Frame plain = Redraw([](CScene&, CModelNode&) {});
    ASSERT_EQ(plain.rgba, image.rgba) << "a redraw is the same picture";
    const auto [leftCovered, rightCovered] =
        ChangedByHalf(plain, Frame{std::vector<uint8_t>(plain.rgba.size(), plain.rgba[0]), 0}, 160);
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
    const auto [wireLeft, wireRight] = ChangedByHalf(plain, wire, 160);
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
    const auto [tintLeft, tintRight] = ChangedByHalf(plain, selected, 160);
    EXPECT_GT(std::max(tintLeft, tintRight), 300);
    EXPECT_EQ(std::min(tintLeft, tintRight), 0);

    const Frame lines = Redraw([](CScene& scene, CModelNode&) {
        scene.inspection.selected = nullptr;
        scene.inspection.overlays.normals = true;
        scene.inspection.overlays.bounds = true;
    });
    EXPECT_EQ(lines.draws, plain.draws + 2 + 12) << "a line list per mesh, 12 box edges";
    const auto [linesLeft, linesRight] = ChangedByHalf(plain, lines, 160);
    EXPECT_GT(linesLeft, 0);
    EXPECT_GT(linesRight, 0);

    const Frame off = Redraw([](CScene& scene, CModelNode&) { scene.inspection.overlays = {}; });
    EXPECT_EQ(off.draws, plain.draws);
    EXPECT_EQ(off.rgba, plain.rgba);
}

}  // namespace
