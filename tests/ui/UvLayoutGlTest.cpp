// The UV Layout window on the software renderer: opened from the Model Debug tab, and the
// picture it draws read back from the window: the edges over the albedo, the texture the
// same way up as the UVs.
#include <gtest/gtest.h>

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "EngineBinding.h"
#include "HostEvents.h"
#include "api/Engine.h"
#include "api/public/vornis_engine.h"
#include "models/MeshObject.h"
#include "models/ModelNode.h"
#include "models/VertexAttributes.h"
#include "models/VertexFormat.h"
#include "platform/InputState.h"
#include "scene/Scene.h"
#include "support/EngineWindow.h"
#include "support/ScratchDirectory.h"
#include "textures/DdsWriter.h"
#include "textures/DxgiFormat.h"
#include "textures/TextureManager.h"
#include "ui/InterfaceState.h"
#include "ui/Panels.h"

namespace {

constexpr int kWidth = 1600;
constexpr int kHeight = 900;

struct Rgb {
    int r = 0, g = 0, b = 0;
};

class UvLayoutWindow : public ::testing::Test {
   protected:
    void SetUp() override
    {
        ASSERT_EQ(testing_support::StartEngine(kWidth, kHeight, &window), 0);
        ResizeEngine(kWidth, kHeight);
        engine = GetEngine();
        state = engine->debugInterface.get();
        ASSERT_TRUE(state && state->backend);
        state->drawnWidgets = &widgets;
        calls = host::LinkedEngine();
        host = std::make_unique<host::HostEvents>(calls, SDL_GetWindowID(window));
        Frame(2);
    }

    void TearDown() override
    {
        if (state)
            state->drawnWidgets = nullptr;
    }

    void Frame(int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            widgets.clear();
            Present();
        }
    }

    const DrawnWidget* Find(const std::string& label) const
    {
        const auto found = std::find_if(widgets.begin(), widgets.end(),
                                        [&](const DrawnWidget& w) { return w.label == label; });
        return found == widgets.end() ? nullptr : &*found;
    }

    SDL_Event Event(Uint32 type)
    {
        SDL_Event event{};
        event.type = type;
        event.window.windowID = SDL_GetWindowID(window);
        return event;
    }

    // SDL keeps the pointer where the warp puts it; the motion event tells the interface.
    void MoveTo(int x, int y)
    {
        SDL_WarpMouseInWindow(window, x, y);
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        SDL_Event motion = Event(SDL_MOUSEMOTION);
        motion.motion.x = x;
        motion.motion.y = y;
        host->Handle(motion);
        pointerX = x;
        pointerY = y;
        Frame();
    }

    void Button(Uint32 type)
    {
        SDL_Event button = Event(type);
        button.button.button = SDL_BUTTON_LEFT;
        button.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        button.button.x = pointerX;
        button.button.y = pointerY;
        host->Handle(button);
        Frame();
    }

    void Wheel(int notches)
    {
        SDL_Event event = Event(SDL_MOUSEWHEEL);
        event.wheel.y = notches;
        event.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
        host->Handle(event);
        Frame();
    }

    // Moves the pointer onto the widget, presses and releases the left button.
    [[nodiscard]] bool Click(const std::string& label)
    {
        Frame();
        const DrawnWidget* widget = Find(label);
        if (!widget)
            return false;
        MoveTo(static_cast<int>(widget->CentreX()), static_cast<int>(widget->CentreY()));
        Button(SDL_MOUSEBUTTONDOWN);
        Button(SDL_MOUSEBUTTONUP);
        return true;
    }

    // The window as shown, read once per check.
    void ReadWindow()
    {
        shown.assign(static_cast<size_t>(kWidth) * kHeight * 4, 0);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, shown.data());
    }

    // A point of the window read last, counted from its top left.
    Rgb WindowPixel(float x, float y) const
    {
        const int column = std::clamp(static_cast<int>(x), 0, kWidth - 1);
        const int row = kHeight - 1 - std::clamp(static_cast<int>(y), 0, kHeight - 1);
        const uint8_t* p = &shown[(static_cast<size_t>(row) * kWidth + column) * 4];
        return {p[0], p[1], p[2]};
    }

    // Pixels of the canvas in the edge colour (90, 225, 255), give or take.
    int EdgePixels()
    {
        const DrawnWidget* canvas = Find("UV canvas");
        if (!canvas)
            return 0;
        ReadWindow();
        int count = 0;
        for (float y = canvas->y0; y < canvas->y1; y += 1.0f) {
            for (float x = canvas->x0; x < canvas->x1; x += 1.0f) {
                const Rgb p = WindowPixel(x, y);
                count += std::abs(p.r - 90) < 30 && std::abs(p.g - 225) < 30 && p.b > 220;
            }
        }
        return count;
    }

    SDL_Window* window = nullptr;
    CEngine* engine = nullptr;
    InterfaceState* state = nullptr;
    std::vector<DrawnWidget> widgets;
    host::EngineCalls calls;
    std::unique_ptr<host::HostEvents> host;
    const testing_support::ScratchDirectory scratch;
    std::vector<uint8_t> shown;
    int pointerX = 0;
    int pointerY = 0;
};

// The unit quad, packed as the importer packs it: stored V flipped.
std::shared_ptr<MeshData> QuadMesh(float side = 1.0f)
{
    using namespace vertexformat;
    auto mesh = std::make_shared<MeshData>();
    mesh->format = kPosition | kTexCoord0;
    const VertexAttributeOffsets offsets = AttributeOffsets(mesh->format);
    mesh->stride = offsets.stride;
    mesh->vertexCount = 4;
    mesh->uvSetMask = 1;
    mesh->vertices.assign(4 * mesh->stride, 0);
    const float uvs[4][2] = {{0, 0}, {side, 0}, {side, side}, {0, side}};
    for (uint32_t v = 0; v < 4; ++v)
        std::memcpy(&mesh->vertices[v * mesh->stride + offsets.uv0], uvs[v], sizeof(uvs[v]));
    mesh->indices = {0, 1, 2, 0, 2, 3};
    return mesh;
}

}  // namespace

TEST_F(UvLayoutWindow, OpensFromTheModelDebugTabAndDrawsTheFirstMeshsEdges)
{
    LoadModel("demo/spheres.fbx");
    while (engine->scene->IsLoadPending())
        SDL_Delay(5);
    Frame(3);
    ASSERT_TRUE(Click("Model Debug"));
    ASSERT_TRUE(Click("UV layout"));
    Frame(2);
    ASSERT_TRUE(state->uvLayout.open);
    std::string firstName;
    engine->scene->WithModel([&](CModelNode* model) {
        std::vector<CMeshObject*> meshes;
        model->CollectMeshObjects(meshes);
        ASSERT_FALSE(meshes.empty());
        firstName = meshes.front()->name;
    });
    EXPECT_TRUE(Find("Mesh: " + firstName)) << firstName;
    ASSERT_TRUE(Find("UV canvas"));
    EXPECT_GT(state->uvLayout.edges.edges.size(), 100u);
    EXPECT_GT(EdgePixels(), 200);

    // The wheel over the canvas zooms the layout about the pointer, not the camera; a drag
    // pans it by as many pixels.
    const DrawnWidget* canvas = Find("UV canvas");
    const int x = static_cast<int>(canvas->CentreX()), y = static_cast<int>(canvas->CentreY());
    MoveTo(x + 40, y + 30);
    const UvView before = state->uvLayout.view;
    const PixelRect rect{canvas->x0, canvas->y0, canvas->x1 - canvas->x0, canvas->y1 - canvas->y0};
    const UvPoint under = PixelToUv(before, rect, {float(x + 40), float(y + 30)});
    Wheel(2);
    EXPECT_GT(state->uvLayout.view.zoom, before.zoom * 1.1f);
    EXPECT_EQ(engine->input->wheel, 0) << "the window took the wheel";
    const PixelPoint held = UvToPixel(state->uvLayout.view, rect, under);
    EXPECT_NEAR(held.x, x + 40, 0.5f);
    EXPECT_NEAR(held.y, y + 30, 0.5f);
    const UvView zoomed = state->uvLayout.view;
    Button(SDL_MOUSEBUTTONDOWN);
    for (int step = 1; step <= 4; ++step)
        MoveTo(x + 40 + 10 * step, y + 30 - 5 * step);
    Button(SDL_MOUSEBUTTONUP);
    const PixelPoint moved = UvToPixel(state->uvLayout.view, rect, under);
    EXPECT_NEAR(moved.x, x + 80, 0.5f);
    EXPECT_NEAR(moved.y, y + 10, 0.5f);
    EXPECT_EQ(state->uvLayout.view.zoom, zoomed.zoom);

    // With a node selected, its first mesh.
    std::string selectedName;
    engine->scene->WithModel([&](CModelNode* model) {
        const CModelNode* last = nullptr;
        std::vector<const CModelNode*> pending{model};
        while (!pending.empty()) {
            const CModelNode* node = pending.back();
            pending.pop_back();
            if (!node->meshObjects.empty() && node->meshObjects.front()->name != firstName)
                last = node;
            for (const auto& child : node->children)
                pending.push_back(child.get());
        }
        ASSERT_TRUE(last) << "the demo has meshes of other names";
        engine->scene->inspection.selected = last;
        selectedName = last->meshObjects.front()->name;
    });
    ASSERT_TRUE(Click("UV layout"));
    Frame();
    EXPECT_TRUE(Find("Mesh: " + selectedName)) << selectedName;

    // Released with its model: the window says so rather than reading freed vertices.
    LoadModel("demo/spheres.fbx");
    while (engine->scene->IsLoadPending())
        SDL_Delay(5);
    Frame(2);
    EXPECT_TRUE(Find("The mesh is no longer shown"));
    EXPECT_FALSE(Find("UV canvas"));
}

TEST_F(UvLayoutWindow, ShowsTheTextureTheSameWayUpAsTheUvsAndSaysWhenThereIsNothing)
{
    // Texel rows 0 and 1 (sampled at stored v near 0, the artist's top) red, 2 and 3 blue.
    std::vector<uint8_t> texels(4 * 4 * 4, 255);
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            uint8_t* texel = &texels[(row * 4 + column) * 4];
            texel[0] = row < 2 ? 230 : 20;
            texel[1] = 20;
            texel[2] = row < 2 ? 20 : 230;
        }
    }
    const auto path = scratch / "halves.dds";
    ASSERT_EQ(WriteDdsFile(path, DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, 16, texels), 0);
    CMeshObject mesh;
    mesh.name = "quad";
    mesh.meshData = QuadMesh();
    mesh.textureSlots[0][kAlbedoSlot].texture = engine->textureManager->LoadTexture(path);
    engine->scene->WithModel([&](CModelNode*) { OpenUvLayout(*state, &mesh); });
    Frame(3);
    const DrawnWidget* canvas = Find("UV canvas");
    ASSERT_TRUE(canvas && Find("Mesh: quad"));
    const PixelRect rect{canvas->x0, canvas->y0, canvas->x1 - canvas->x0, canvas->y1 - canvas->y0};
    EXPECT_EQ(state->uvLayout.edges.edges.size(), 5u);
    // Away from the edges: the diagonal runs from the artist's (0, 1) to (1, 0).
    const PixelPoint top = UvToPixel(state->uvLayout.view, rect, {0.75f, 0.85f});
    const PixelPoint bottom = UvToPixel(state->uvLayout.view, rect, {0.25f, 0.15f});
    ReadWindow();
    const Rgb upper = WindowPixel(top.x, top.y), lower = WindowPixel(bottom.x, bottom.y);
    EXPECT_GT(upper.r, 150);
    EXPECT_LT(upper.b, 100);
    EXPECT_GT(lower.b, 150);
    EXPECT_LT(lower.r, 100);
    // The unit square's corners are the preview's (the shorter side) and its edges drawn.
    const PixelPoint corner = UvToPixel(state->uvLayout.view, rect, {0, 0});
    EXPECT_NEAR(corner.y, canvas->y1, 1.0f);
    EXPECT_GT(EdgePixels(), 100);

    // Zoomed in as far as it goes where adding 1 to a UV leaves it as it was (in floats and
    // in doubles): drawn all the same.
    mesh.meshData = QuadMesh(1e17f);
    engine->scene->WithModel([&](CModelNode*) { OpenUvLayout(*state, &mesh); });
    Frame();
    state->uvLayout.view = {{1e17f, -1e17f}, kMaxUvZoom};
    Frame(2);
    EXPECT_TRUE(Find("UV canvas"));
    EXPECT_TRUE(Find("UVs outside 0 to 1 (orange edges)"));

    // Nothing to show: a message, no canvas.
    engine->scene->WithModel([&](CModelNode*) { OpenUvLayout(*state, nullptr); });
    Frame(2);
    EXPECT_TRUE(Find("No mesh to show"));
    EXPECT_FALSE(Find("UV canvas"));
    mesh.meshData->uvSetMask = 0;
    engine->scene->WithModel([&](CModelNode*) { OpenUvLayout(*state, &mesh); });
    Frame(2);
    EXPECT_TRUE(Find("This mesh has no texture coordinates"));
}
