// Helpers shared by the tests that draw a written model and read the picture back: a cube,
// a snap session holding the model, and redraws counted in draws.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FbxTreeWriter.h"
#include "MeshBuilder.h"
#include "SnapRenderer.h"
#include "api/Engine.h"
#include "api/tool/ToolAccess.h"
#include "graphics/GraphicsDevice.h"
#include "models/ModelNode.h"
#include "scene/Scene.h"

namespace rendertest {

inline assets::MeshGeometry Cube(assets::Vec3 centre = {0, 0, 0})
{
    assets::MeshGeometry cube;
    for (int axis = 0; axis < 3; ++axis)
        for (float side : {-1.0f, 1.0f}) {
            assets::Vec3 n{}, u{}, v{};
            (axis == 0 ? n.x : axis == 1 ? n.y : n.z) = side;
            (axis == 0 ? u.y : axis == 1 ? u.z : u.x) = 1;
            (axis == 0 ? v.z : axis == 1 ? v.x : v.y) = side;
            assets::AddPatch(cube, centre + n, u, v, 1, 1);
        }
    return cube;
}

// Two cubes side by side, each on a node of its own ("Left" and "Right").
inline assets::FbxTree TwoCubes()
{
    assets::FbxTree tree;
    tree.meshes = {Cube()};
    tree.nodes = {{"Left", -1, {}, 0}, {"Right", -1, {}, 0}};
    tree.nodes[0].transform.translation = {-1.6f, 0, 0};
    tree.nodes[1].transform.translation = {1.6f, 0, 0};
    return tree;
}

// `tree` written to `path` and drawn once, skyless, at width x height; null after a
// reported failure. `image` receives that first picture.
inline std::unique_ptr<SnapSession> OpenInSnap(const assets::FbxTree& tree, const std::string& path,
                                               int width, int height, SnapImage* image = nullptr)
{
    const std::string written = assets::WriteFbxTree(path, tree, assets::FbxEncoding::Binary);
    if (!written.empty()) {
        ADD_FAILURE() << written;
        return nullptr;
    }
    SnapOptions options;
    options.outputPath = "unused.png";
    options.width = width;
    options.height = height;
    options.showSky = false;
    auto session = std::make_unique<SnapSession>(options);
    std::string error;
    SnapImage first;
    if (!session->Start(error) || !session->Render(path, image ? *image : first, error)) {
        ADD_FAILURE() << error;
        return nullptr;
    }
    return session;
}

struct Frame {
    std::vector<uint8_t> rgba;
    uint64_t draws = 0;
    int width = 0;
    const uint8_t* At(int x, int y) const
    {
        return &rgba[(static_cast<size_t>(y) * width + x) * 4];
    }
};

// The model drawn again as it stands after `change` (made under the model lock), with the
// draws it took.
inline Frame Redraw(const std::function<void(CScene&, CModelNode&)>& change)
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
    frame.width = pixels.width;
    frame.rgba = std::move(pixels.rgba);
    return frame;
}

inline bool Differs(const uint8_t* a, const uint8_t* b, int tolerance = 6)
{
    return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > tolerance;
}

// Pixels of `a` and `b` that differ, counted in the left and right halves of the picture.
inline std::pair<int, int> ChangedByHalf(const Frame& a, const Frame& b)
{
    std::pair<int, int> changed;
    for (size_t i = 0; i + 3 < a.rgba.size() && i + 3 < b.rgba.size(); i += 4)
        if (Differs(&a.rgba[i], &b.rgba[i]))
            (static_cast<int>(i / 4 % a.width) < a.width / 2 ? changed.first : changed.second)++;
    return changed;
}

}  // namespace rendertest
