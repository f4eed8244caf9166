// What the Scene window changes in the picture: a hidden node is neither drawn nor counted,
// and F frames the selected node's drawn box.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "RenderingTestSupport.h"
#include "api/public/vornis_engine.h"
#include "scene/Camera.h"
#include "scene/InspectionGeometry.h"
#include "support/ScratchDirectory.h"

namespace {

using namespace rendertest;

class SceneVisibility : public ::testing::Test {
   protected:
    void SetUp() override
    {
        session = OpenInSnap(TwoCubes(), (scratch / "cubes.fbx").string(), 160, 120);
        ASSERT_TRUE(session);
        scene = GetEngine()->scene.get();
        scene->WithModel([&](CModelNode* model) {
            root = model;
            for (const auto& child : model->children)
                (child->name == "Left" ? left : right) = child.get();
        });
        ASSERT_TRUE(root && left && right);
    }
    Frame Redraw(const std::function<void()>& change)
    {
        return rendertest::Redraw([&](CScene&, CModelNode&) { change(); });
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
    const auto counts = [&] {
        std::pair<uint64_t, uint64_t> verticesAndTriangles;
        scene->WithModel([&](CModelNode*) {
            verticesAndTriangles = {root->VertexCount(std::nullopt),
                                    root->TriangleCount(std::nullopt)};
        });
        return verticesAndTriangles;
    };
    const Frame both = Redraw([] {});
    const auto [bothVertices, bothTriangles] = counts();
    EXPECT_EQ(bothTriangles, 24u);
    const Frame none = Redraw([&] { left->hidden = right->hidden = true; });
    const auto [leftShown, rightShown] = ChangedByHalf(both, none);
    ASSERT_GT(leftShown, 500);
    ASSERT_GT(rightShown, 500);

    // Right hidden: the left half as with both shown, the right half as with none.
    const Frame onlyLeft = Redraw([&] { left->hidden = false; });
    EXPECT_EQ(ChangedByHalf(onlyLeft, both).first, 0);
    EXPECT_EQ(ChangedByHalf(onlyLeft, none).second, 0);
    EXPECT_EQ(counts(), std::make_pair(bothVertices / 2, uint64_t{12}));
    scene->WithModel([&](CModelNode*) {
        right->hidden = false;
        root->hidden = true;
    });
    EXPECT_EQ(counts(), std::make_pair(uint64_t{0}, uint64_t{0})) << "a hidden root hides all";
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
        Float3 centre;
        for (int axis = 0; axis < 3; ++axis)
            centre[axis] = (box.low[axis] + box.high[axis]) * 0.5f;
        return centre;
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
