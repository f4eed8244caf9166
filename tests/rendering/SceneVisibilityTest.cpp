// What the Scene window changes in the picture: a hidden node is neither drawn nor counted,
// and F frames the selected node's drawn box.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <optional>

#include "FbxTreeWriter.h"
#include "MeshBuilder.h"
#include "SnapRenderer.h"
#include "api/Engine.h"
#include "api/public/vornis_engine.h"
#include "api/tool/ToolAccess.h"
#include "models/ModelNode.h"
#include "scene/Camera.h"
#include "scene/InspectionGeometry.h"
#include "scene/Scene.h"
#include "support/ScratchDirectory.h"

namespace {

using assets::Vec3;

assets::MeshGeometry Cube()
{
    assets::MeshGeometry cube;
    for (int axis = 0; axis < 3; ++axis)
        for (float side : {-1.0f, 1.0f}) {
            Vec3 n{}, u{}, v{};
            (axis == 0 ? n.x : axis == 1 ? n.y : n.z) = side;
            (axis == 0 ? u.y : axis == 1 ? u.z : u.x) = 1;
            (axis == 0 ? v.z : axis == 1 ? v.x : v.y) = side;
            assets::AddPatch(cube, n, u, v, 1, 1);
        }
    return cube;
}

constexpr int kWidth = 160;
constexpr int kHeight = 120;

class SceneVisibility : public ::testing::Test {
   protected:
    void SetUp() override
    {
        // Two cubes side by side, each on a node of its own.
        assets::FbxTree tree;
        tree.meshes = {Cube()};
        tree.nodes = {{"Left", -1, {}, -1}, {"Right", -1, {}, -1}};
        tree.nodes[0].mesh = tree.nodes[1].mesh = 0;
        tree.nodes[0].transform.translation = {-1.6f, 0, 0};
        tree.nodes[1].transform.translation = {1.6f, 0, 0};
        const std::string path = (scratch / "cubes.fbx").string();
        ASSERT_EQ(assets::WriteFbxTree(path, tree, assets::FbxEncoding::Binary), "");
        SnapOptions options;
        options.outputPath = "unused.png";
        options.width = kWidth;
        options.height = kHeight;
        options.showSky = false;
        session = std::make_unique<SnapSession>(options);
        std::string error;
        ASSERT_TRUE(session->Start(error)) << error;
        SnapImage image;
        ASSERT_TRUE(session->Render(path, image, error)) << error;
        scene = GetEngine()->scene.get();
        scene->WithModel([&](CModelNode* model) {
            root = model;
            for (const auto& child : model->children)
                (child->name == "Left" ? left : right) = child.get();
        });
        ASSERT_TRUE(root && left && right);
    }

    // The picture after `change`, made under the model lock.
    std::vector<uint8_t> Redraw(const std::function<void()>& change)
    {
        scene->WithModel([&](CModelNode*) { change(); });
        tool::RenderPicture();
        tool::Pixels pixels;
        EXPECT_TRUE(tool::ReadBackBuffer(pixels));
        return pixels.rgba;
    }

    // Pixels that differ between `a` and `b` in the left and the right half.
    static std::pair<int, int> Differing(const std::vector<uint8_t>& a,
                                         const std::vector<uint8_t>& b)
    {
        std::pair<int, int> count;
        for (size_t i = 0; i + 3 < a.size() && i + 3 < b.size(); i += 4) {
            if (std::abs(a[i] - b[i]) + std::abs(a[i + 1] - b[i + 1]) +
                    std::abs(a[i + 2] - b[i + 2]) >
                6)
                (static_cast<int>(i / 4 % kWidth) < kWidth / 2 ? count.first : count.second)++;
        }
        return count;
    }

    testing_support::ScratchDirectory scratch;
    std::unique_ptr<SnapSession> session;
    CScene* scene = nullptr;
    CModelNode* root = nullptr;
    CModelNode* left = nullptr;
    CModelNode* right = nullptr;
};

TEST_F(SceneVisibility, AHiddenNodeIsNeitherDrawnNorCounted)
{
    const std::vector<uint8_t> both = Redraw([] {});
    const std::vector<uint8_t> none = Redraw([&] { left->hidden = right->hidden = true; });
    const auto [leftShown, rightShown] = Differing(both, none);
    ASSERT_GT(leftShown, 500);
    ASSERT_GT(rightShown, 500);

    // Both cubes count; with one hidden, half of it.
    uint64_t bothVertices = 0, bothTriangles = 0, vertices = 0, triangles = 0;
    scene->WithModel([&](CModelNode*) {
        left->hidden = right->hidden = false;
        bothVertices = root->VertexCount(std::nullopt);
        bothTriangles = root->TriangleCount(std::nullopt);
    });
    EXPECT_EQ(bothTriangles, 24u);
    const std::vector<uint8_t> onlyLeft = Redraw([&] {
        right->hidden = true;
        vertices = root->VertexCount(std::nullopt);
        triangles = root->TriangleCount(std::nullopt);
    });
    // The left half as with both shown, the right half as with none.
    EXPECT_EQ(Differing(onlyLeft, both).first, 0);
    EXPECT_EQ(Differing(onlyLeft, none).second, 0);
    EXPECT_EQ(vertices * 2, bothVertices);
    EXPECT_EQ(triangles, 12u);
    scene->WithModel([&](CModelNode*) {
        right->hidden = false;
        root->hidden = true;
        EXPECT_EQ(root->VertexCount(std::nullopt), 0u) << "a hidden root hides the tree";
        EXPECT_EQ(root->TriangleCount(std::nullopt), 0u);
        root->hidden = false;
    });
}

// F (FocusOnObject) heads for a view with the selected node's drawn centre on the view axis,
// 2.3 half diagonals in front; without a selection, or with the selection hidden, the
// largest mesh as always (the first of the two equal cubes).
TEST_F(SceneVisibility, FocusFramesTheSelectedNodesBox)
{
    CCamera& camera = *GetEngine()->camera;
    // Where the camera heads for: the point's place in view space at the target pan.
    const auto aimedAt = [&camera](const Float3& point) {
        const Float3 q = TransformPoint(point, camera.ViewRotation());
        return Float3{q[0] + camera.focusPanX, q[1] + camera.focusPanY,
                      q[2] + camera.focusZoom * std::fabs(camera.focusZoom)};
    };
    const auto centreOf = [](const WorldBox& box) {
        return Float3{(box.low[0] + box.high[0]) * 0.5f, (box.low[1] + box.high[1]) * 0.5f,
                      (box.low[2] + box.high[2]) * 0.5f};
    };
    WorldBox leftBox, rightBox;
    scene->WithModel([&](CModelNode*) {
        leftBox = DrawnSubtreeBox(*root, *left);
        rightBox = DrawnSubtreeBox(*root, *right);
    });
    const Float3 rightCentre = centreOf(rightBox), leftCentre = centreOf(leftBox);
    // The largest mesh's radius: the larger half extent in x and y.
    const float largest = 2.3f * std::max(leftBox.Size()[0], leftBox.Size()[1]) * 0.5f;
    ASSERT_GT(rightCentre[0] - leftCentre[0], 3.0f);

    const struct {
        const char* what;
        std::function<void()> change;
        Float3 centre;
        float distance;
    } cases[] = {
        {"Right selected", [&] { scene->inspection.selected = right; }, rightCentre,
         2.3f * rightBox.HalfDiagonal()},
        {"nothing selected", [&] { scene->inspection.selected = nullptr; }, leftCentre, largest},
        {"the selection hidden",
         [&] {
             scene->inspection.selected = right;
             right->hidden = true;
         },
         leftCentre, largest},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        scene->WithModel([&](CModelNode*) { c.change(); });
        FocusOnObject();
        EXPECT_TRUE(camera.focusActive);
        const Float3 aim = aimedAt(c.centre);
        EXPECT_NEAR(aim[0], 0.0f, 1e-3f);
        EXPECT_NEAR(aim[1], 0.0f, 1e-3f);
        EXPECT_NEAR(aim[2], c.distance, 1e-2f);
    }
}

}  // namespace
