// The debug interface driven the way a user drives it: SDL events handed to the engine
// through SendProcToNative (by the host's own event handling), on the offscreen driver, with
// the effects read back from the engine (and the UV Layout window's picture from the
// window). Widgets are found by the rectangles the interface noted while drawing them.
#include <gtest/gtest.h>

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

#include "EngineBinding.h"
#include "HostEvents.h"
#include "animation/AnimationQueries.h"
#include "api/Engine.h"
#include "api/public/vornis_engine.h"
#include "graphics/GraphicsDevice.h"
#include "graphics/gpu/GpuObjects.h"
#include "models/MeshObject.h"
#include "models/ModelImporter.h"
#include "models/ModelNode.h"
#include "models/VertexAttributes.h"
#include "models/VertexFormat.h"
#include "platform/InputState.h"
#include "platform/Paths.h"
#include "platform/Utf.h"
#include "scene/BoneWeightChoice.h"
#include "scene/Camera.h"
#include "scene/Scene.h"
#include "support/EngineWindow.h"
#include "support/ScratchDirectory.h"
#include "textures/DdsWriter.h"
#include "textures/DxgiFormat.h"
#include "textures/TextureManager.h"
#include "textures/TextureRecord.h"
#include "ui/InterfaceState.h"
#include "ui/Panels.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 1600;
constexpr int kHeight = 900;
// Nothing of the interface covers this point: the scene shows there.
constexpr float kSceneX = 1200.0f;
constexpr float kSceneY = 350.0f;

// The window as shown, bottom row first (as GL reads it).
std::vector<uint8_t> ReadWindowRgba()
{
    GLint previous = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previous);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    std::vector<uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previous));
    return pixels;
}

struct Rgb {
    int r = 0, g = 0, b = 0;
};

// A point of a window read by ReadWindowRgba, counted from its top left.
Rgb WindowPixel(const std::vector<uint8_t>& window, float x, float y)
{
    const int column = std::clamp(static_cast<int>(x), 0, kWidth - 1);
    const int row = kHeight - 1 - std::clamp(static_cast<int>(y), 0, kHeight - 1);
    const uint8_t* p = &window[(static_cast<size_t>(row) * kWidth + column) * 4];
    return {p[0], p[1], p[2]};
}

// Pixels of the UV Layout canvas in its edge colour (90, 225, 255), give or take.
int UvEdgePixels(const DrawnWidget* canvas)
{
    if (!canvas)
        return 0;
    const std::vector<uint8_t> window = ReadWindowRgba();
    int count = 0;
    for (float y = canvas->y0; y < canvas->y1; y += 1.0f) {
        for (float x = canvas->x0; x < canvas->x1; x += 1.0f) {
            const Rgb p = WindowPixel(window, x, y);
            count += std::abs(p.r - 90) < 30 && std::abs(p.g - 225) < 30 && p.b > 220;
        }
    }
    return count;
}

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

class Interface : public ::testing::Test {
   protected:
    void SetUp() override
    {
        ASSERT_EQ(testing_support::StartEngine(kWidth, kHeight, &window), 0);
        ResizeEngine(kWidth, kHeight);
        engine = GetEngine();
        state = engine->debugInterface.get();
        ASSERT_TRUE(state && state->backend) << "the interface did not start";
        state->drawnWidgets = &widgets;
        calls = host::LinkedEngine();
        host = std::make_unique<host::HostEvents>(calls, SDL_GetWindowID(window));
        MoveTo(kSceneX, kSceneY);
        // Tabs are laid out in the frame after they first appear.
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
        const auto found =
            std::find_if(widgets.begin(), widgets.end(),
                         [&](const DrawnWidget& widget) { return widget.label == label; });
        return found == widgets.end() ? nullptr : &*found;
    }

    bool Shows(const std::string& label) const { return Find(label) != nullptr; }

    // The event goes the way every event of the viewer goes: through the host's handling,
    // which forwards it to SendProcToNative first.
    void Send(SDL_Event event) { host->Handle(event); }

    // SDL keeps the pointer where the warp puts it; the window's own motion event tells the
    // interface, and the host feeds the position to the camera and the light.
    void MoveTo(float x, float y)
    {
        SDL_WarpMouseInWindow(window, static_cast<int>(x), static_cast<int>(y));
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        SDL_Event motion = Event(SDL_MOUSEMOTION);
        motion.motion.x = static_cast<int>(x);
        motion.motion.y = static_cast<int>(y);
        Send(motion);
        FeedMousePos(static_cast<int>(x), static_cast<int>(y));
        pointerX = x;
        pointerY = y;
    }

    // Every event kind names its window at the same place.
    SDL_Event Event(Uint32 type)
    {
        SDL_Event event{};
        event.type = type;
        event.window.windowID = SDL_GetWindowID(window);
        return event;
    }

    void Button(Uint32 type)
    {
        SDL_Event event = Event(type);
        event.button.button = SDL_BUTTON_LEFT;
        event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.button.x = static_cast<int>(pointerX);
        event.button.y = static_cast<int>(pointerY);
        Send(event);
    }

    // Presses on the widget drawn under `label`, moves the pointer by (dx, dy) in `steps`
    // frames, releases; false when there is no such widget. One frame first: what appeared
    // in the last frame (new tabs, a resized window) is laid out in the next.
    [[nodiscard]] bool Drag(const std::string& label, float dx, float dy, int steps)
    {
        Frame();
        const DrawnWidget* widget = Find(label);
        if (!widget)
            return false;
        DragFrom(widget->CentreX(), widget->CentreY(), dx, dy, steps);
        return true;
    }

    [[nodiscard]] bool Click(const std::string& label) { return Drag(label, 0, 0, 0); }
    void ClickAt(float x, float y) { DragFrom(x, y, 0, 0, 0); }

    void DragFrom(float x, float y, float dx, float dy, int steps)
    {
        MoveTo(x, y);
        Frame();
        Button(SDL_MOUSEBUTTONDOWN);
        Frame();
        for (int i = 1; i <= steps; ++i) {
            MoveTo(x + dx * i / steps, y + dy * i / steps);
            Frame();
        }
        Button(SDL_MOUSEBUTTONUP);
        Frame();
    }

    void Wheel(int notches)
    {
        SDL_Event event = Event(SDL_MOUSEWHEEL);
        event.wheel.y = notches;
        event.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
        Send(event);
    }

    void Key(SDL_Scancode code)
    {
        SDL_Event event = Event(SDL_KEYDOWN);
        event.key.keysym.scancode = code;
        Send(event);
        Frame();
        event.type = SDL_KEYUP;
        Send(event);
        Frame();
    }

    // Loads the model; it is framed in the next frame and drawn in the one after.
    void LoadAndShow(const std::string& path)
    {
        LoadModel(path.c_str());
        while (engine->scene->IsLoadPending())
            SDL_Delay(5);
        Frame(3);
    }

    AnimationOverview DescribeShown()
    {
        AnimationOverview overview;
        engine->scene->WithModel([&](CModelNode* model) { overview = DescribeAnimation(model); });
        return overview;
    }

    SDL_Window* window = nullptr;
    CEngine* engine = nullptr;
    InterfaceState* state = nullptr;
    std::vector<DrawnWidget> widgets;
    host::EngineCalls calls;
    std::unique_ptr<host::HostEvents> host;
    const testing_support::ScratchDirectory scratch;
    float pointerX = 0.0f;
    float pointerY = 0.0f;
};

TEST_F(Interface, ShowsTheMenuAndTheLogOnTheWindowOnlyAndTakesTheWheelOverThem)
{
    for (const char* tab : {"Model", "Display", "Light Settings", "Shader Settings", "Stats",
                            "Model Debug", "Model Settings", "LOG", "PBL Default", "VertexColors"})
        EXPECT_TRUE(Shows(tab)) << tab;
    EXPECT_EQ(SendProcToNative(0, SDL_MOUSEMOTION, 0, 0), 0) << "no event";

    // The back buffer is what screenshots and vornis-snap read: the scene only. The window
    // shows the interface on top of it.
    const DrawnWidget* tab = Find("Display");
    ASSERT_TRUE(tab);
    std::vector<uint8_t> backBuffer;
    ASSERT_TRUE(gpu::ReadTextureRgba8(*engine->device->backBuffer, backBuffer));
    const std::vector<uint8_t> shown = ReadWindowRgba();
    // The same point of the back buffer (top row first) and of the window.
    auto differs = [&](float x, float y) {
        const size_t row = static_cast<size_t>(y), column = static_cast<size_t>(x);
        const uint8_t* a = &backBuffer[(row * kWidth + column) * 4];
        const uint8_t* b = &shown[((kHeight - 1 - row) * kWidth + column) * 4];
        return std::memcmp(a, b, 3) != 0;
    };
    EXPECT_FALSE(differs(kSceneX, kSceneY));
    int differing = 0;
    for (float x = tab->x0; x < tab->x1; x += 1.0f)
        differing += differs(x, tab->CentreY());
    EXPECT_GT(differing, (tab->x1 - tab->x0) / 4) << "the tab is drawn on the window only";

    // The wheel scrolls a panel under the pointer and zooms the scene elsewhere.
    const DrawnWidget* log = Find("LOG");
    ASSERT_TRUE(log);
    MoveTo(log->CentreX(), log->y1 + 40.0f);
    Frame();
    const float zoom = engine->camera->zoom;
    const float distance = engine->camera->TargetDistance();
    Wheel(2);
    Frame(2);
    EXPECT_EQ(engine->input->wheel, 0) << "the panel took the wheel";
    EXPECT_EQ(engine->camera->zoom, zoom);

    MoveTo(kSceneX, kSceneY);
    Frame();
    Wheel(2);
    Frame();
    EXPECT_EQ(engine->input->wheel, 240);
    EXPECT_NEAR(engine->camera->TargetDistance(), distance * 0.81f, distance * 1e-4f);
}

TEST_F(Interface, LightColourIsQuantisedAndADraggedSliderMovesNeitherCameraNorLight)
{
    ASSERT_TRUE(Click("Light Settings"));
    state->light.colour[0] = state->light.colour[1] = state->light.colour[2] = 0.5f;
    Frame();
    for (int i = 0; i < 3; ++i)
        EXPECT_FLOAT_EQ(engine->scene->light.color[i], 127.0f / 255.0f);
    EXPECT_EQ(engine->scene->light.color[3], 1.0f);

    // Alt, Ctrl and the left button held: over the scene that orbits the camera and turns
    // the light; on the intensity slider it only moves the slider.
    FeedCameraControl(true, true, false, false);
    FeedLightControl(true, true, false, false);
    const float yaw = engine->camera->yaw;
    const float lightYaw = engine->scene->light.yaw;
    ASSERT_TRUE(Drag("##Light intensity", 60.0f, 0.0f, 4));
    EXPECT_FLOAT_EQ(engine->scene->light.intensity, 7.0f) << "1 + 60 pixels at 0.1";
    EXPECT_EQ(engine->camera->yaw, yaw);
    EXPECT_EQ(engine->scene->light.yaw, lightYaw);

    DragFrom(kSceneX, kSceneY, 60.0f, 0.0f, 4);
    EXPECT_NE(engine->camera->yaw, yaw);
    EXPECT_NE(engine->scene->light.yaw, lightYaw);
}

// The shader file tab compiles only when asked to; the timer stops at its end and never
// ends below zero.
TEST_F(Interface, ShaderSettingsCompileOnlyWhenAskedToAndTheTimerStopsAtItsEnd)
{
    const std::vector<fs::path> shaders = state->shaderDirectories;
    state->shaderDirectories = {scratch.path};
    ASSERT_TRUE(Click("Shader Settings"));
    EXPECT_TRUE(Shows("No pixelshaders found, you need to name them PS_ to be listed here"));
    EXPECT_FALSE(Shows("Set/Recompile"));

    state->shaderDirectories = shaders;
    Frame();
    ASSERT_TRUE(Click("##Entry name"));
    Key(SDL_SCANCODE_END);
    const size_t messages = engine->scene->log.Count();
    SDL_Event typed = Event(SDL_TEXTINPUT);
    std::strcpy(typed.text.text, "X");
    Send(typed);
    Frame();
    EXPECT_EQ(engine->customPixelShaderEntry, "MainPixelShaderX");
    EXPECT_TRUE(host->InterfaceHasKeyboard()) << "typed F is no focus command";
    Key(SDL_SCANCODE_BACKSPACE);
    EXPECT_EQ(engine->customPixelShaderEntry, "MainPixelShader");
    Frame(2);
    EXPECT_EQ(engine->scene->log.Count(), messages) << "editing compiles nothing";

    ASSERT_TRUE(Click("Set/Recompile"));
    EXPECT_GT(engine->scene->log.Count(), messages);
    EXPECT_EQ(engine->scene->log.LastMessage(), "All shaders compiled successfully");

    // The entry shown at first is chosen by clicking it, too.
    ASSERT_TRUE(Click("##Shader file"));
    ASSERT_TRUE(Click("PS_PixelShaders.fx"));
    EXPECT_EQ(fs::path(engine->customPixelShaderFile), shaders.front() / "PS_PixelShaders.fx");
    EXPECT_EQ(engine->scene->log.LastMessage(), "All shaders compiled successfully");

    // The interface's renderer shows 2D textures only: a cube map gets a placeholder.
    const fs::path sky = platform::ProgramDirectory() / "Skyboxtextures" / "studio_neutral.dds";
    engine->scene->AssignExtraTexture(sky.string(), 0);
    ASSERT_TRUE(Click("Shader Values"));
    EXPECT_TRUE(Shows("Custom 1") && Shows("Browse##4") && Shows("Texture placeholder: Cube"));
    ASSERT_TRUE(Click("Shader Timer"));
    // Beyond half the float range the timer's slider would stop the program.
    state->timerPanel.endValue = 3e38f;
    Frame();
    EXPECT_LT(state->timerPanel.endValue, 1e10f);
    state->timerPanel.endValue = 0.05f;  // three frames of 1/60 s

    ASSERT_TRUE(Click("Start"));
    Frame();
    EXPECT_TRUE(Shows("Pause"));
    for (int i = 0; i < 6 && !Shows("Start"); ++i)
        Frame();
    EXPECT_TRUE(Shows("Start")) << "stopped at the end";
    EXPECT_FLOAT_EQ(engine->customShaderValues[4], 0.05f);

    ASSERT_TRUE(Click("Stop"));
    EXPECT_EQ(engine->customShaderValues[4], 0.0f);
    ASSERT_TRUE(Drag("##End value", -100.0f, 0.0f, 4));
    EXPECT_EQ(state->timerPanel.endValue, 0.0f);
}

// The dropped-image popup offers the model's slots only with a model; the render mode and
// the albedo chosen there reach every mesh, and the render mode a model loaded later.
TEST_F(Interface, DroppedImagesAndTheRenderModeReachEveryMesh)
{
    const auto drop = [&](const fs::path& image) {
        AskEngineAboutImage(platform::Utf8ToUtf16(image.string())->c_str());
        Frame(2);
    };
    const fs::path sky =
        fs::absolute(platform::ProgramDirectory() / "Skyboxtextures") / "studio_neutral.dds";
    drop(sky);
    EXPECT_TRUE(Shows("This texture seems like it is a Cubemap"));
    EXPECT_TRUE(Shows("<- Recommended") && Shows("As Custom Texture 4"));
    EXPECT_FALSE(Shows("As Model Albedo"));
    ASSERT_TRUE(Click("As Cubemap"));
    EXPECT_EQ(engine->scene->cubeMap->name, platform::Utf8ToUtf16(sky.string()));
    Frame();
    EXPECT_FALSE(Shows("As Cubemap")) << "answered";

    LoadAndShow("demo/spheres.fbx");
    const fs::path paint = scratch / "paint.dds";
    const std::vector<uint8_t> texels(4 * 4 * 4, 200);
    ASSERT_EQ(WriteDdsFile(paint, DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, 16, texels), 0);
    drop(paint);
    EXPECT_FALSE(Shows("<- Recommended"));
    ASSERT_TRUE(Click("As Model Albedo"));
    ASSERT_TRUE(Click("VertexColors"));
    for (bool reloaded : {false, true}) {
        Frame();
        std::vector<CMeshObject*> meshes;
        engine->scene->WithModel([&](CModelNode* model) { model->CollectMeshObjects(meshes); });
        ASSERT_FALSE(meshes.empty());
        for (const CMeshObject* mesh : meshes) {
            EXPECT_EQ(mesh->shaderName, "VertexColors") << reloaded;
            const TextureRecord* albedo =
                mesh->textureSlots[mesh->textureSet][kAlbedoSlot].texture.get();
            ASSERT_TRUE(albedo);
            EXPECT_EQ(albedo->name == platform::Utf8ToUtf16(paint.string()), !reloaded);
        }
        if (!reloaded)
            LoadAndShow("demo/spheres.fbx");
    }

    ASSERT_TRUE(Click("Show bound textures"));
    Frame();
    EXPECT_TRUE(Shows("From left: Albedo, Material, Normal") && Shows("Texture preview"));
    ASSERT_TRUE(Click("Show extended info"));
    Frame(2);
    EXPECT_TRUE(Shows("Basic scene information") && Shows("Has UV1: Yes"));
}

TEST_F(Interface, DisplayTabListsSkyFilesClampsTheMipLevelAndReplacesThePlainSky)
{
    const fs::path skies = fs::absolute(platform::ProgramDirectory() / "Skyboxtextures");
    fs::copy_file(skies / "studio_neutral.dds", scratch / "night.dds");
    ASSERT_TRUE(Click("Display"));
    ASSERT_TRUE(Click("##Sky file"));
    ASSERT_TRUE(Click("studio_neutral.dds")) << "listed from Skyboxtextures beside the program";
    EXPECT_EQ(engine->scene->cubeMap->name, skies / "studio_neutral.dds");

    state->skyDirectories = {scratch.path};
    ASSERT_TRUE(Click("##Sky file"));
    ASSERT_TRUE(Click("night.dds"));
    EXPECT_EQ(engine->scene->cubeMap->name,
              platform::Utf8ToUtf16((scratch / "night.dds").string()));

    ASSERT_TRUE(Drag("Cubemap MIP Level", 1500.0f, 0.0f, 15));
    EXPECT_EQ(state->display.mipLevel, 12);
    EXPECT_EQ(engine->scene->cubeMapMipLevel, 12u);
    EXPECT_EQ(engine->scene->cubeMap->displayedMipLevel, 12u);
    ASSERT_TRUE(Drag("Cubemap MIP Level", -1500.0f, 0.0f, 15));
    EXPECT_EQ(engine->scene->cubeMapMipLevel, 0u);

    // Two colours: the first plain sky's texture is gone once the second is shown.
    const DrawnWidget* picker = Find("##Cube colour");
    ASSERT_TRUE(picker);
    const float x = picker->x0;  // the widgets are drawn anew in the click's frames
    const float y = picker->y0;
    ClickAt(x + 20.0f, y + 20.0f);
    ASSERT_TRUE(engine->scene->plainSky);
    EXPECT_EQ(engine->scene->cubeMap, engine->scene->plainSky);
    EXPECT_TRUE(engine->scene->renderSkybox);
    std::weak_ptr<gpu::ShaderResourceView> first = engine->scene->plainSky->view;
    ClickAt(x + 40.0f, y + 10.0f);
    EXPECT_TRUE(first.expired());
    EXPECT_TRUE(engine->scene->plainSky->view);

    fs::remove(scratch / "night.dds");
    Frame();
    ASSERT_TRUE(Click("##Sky file"));
    EXPECT_FALSE(Shows("night.dds")) << "nothing left to offer";
}

TEST_F(Interface, UvLayoutOpensFromTheModelDebugTabAndDrawsTheFirstMeshsEdges)
{
    LoadAndShow("demo/spheres.fbx");
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
    EXPECT_GT(UvEdgePixels(Find("UV canvas")), 200);

    // The wheel over the canvas zooms the layout about the pointer, not the camera; a drag
    // pans it by as many pixels.
    const DrawnWidget* canvas = Find("UV canvas");
    const int x = static_cast<int>(canvas->CentreX()), y = static_cast<int>(canvas->CentreY());
    MoveTo(x + 40, y + 30);
    Frame();
    const UvView before = state->uvLayout.view;
    const PixelRect rect{canvas->x0, canvas->y0, canvas->x1 - canvas->x0, canvas->y1 - canvas->y0};
    const UvPoint under = PixelToUv(before, rect, {float(x + 40), float(y + 30)});
    Wheel(2);
    Frame();
    EXPECT_GT(state->uvLayout.view.zoom, before.zoom * 1.1f);
    EXPECT_EQ(engine->input->wheel, 0) << "the window took the wheel";
    const auto expectUnder = [&](float px, float py) {
        const PixelPoint at = UvToPixel(state->uvLayout.view, rect, under);
        EXPECT_NEAR(at.x, px, 0.5f);
        EXPECT_NEAR(at.y, py, 0.5f);
    };
    expectUnder(x + 40, y + 30);
    const float zoom = state->uvLayout.view.zoom;
    DragFrom(x + 40, y + 30, 40, -20, 4);
    expectUnder(x + 80, y + 10);
    EXPECT_EQ(state->uvLayout.view.zoom, zoom);

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
    LoadAndShow("demo/spheres.fbx");
    EXPECT_TRUE(Find("The mesh is no longer shown"));
    EXPECT_FALSE(Find("UV canvas"));
}

TEST_F(Interface, UvLayoutShowsTheTextureTheSameWayUpAsTheUvsAndSaysWhenThereIsNothing)
{
    // Texel rows 0 and 1 (sampled at stored v near 0, the artist's top) red, 2 and 3 blue.
    std::vector<uint8_t> texels(4 * 4 * 4, 255);
    for (size_t texel = 0; texel < 16; ++texel) {
        const bool top = texel < 8;
        texels[texel * 4] = top ? 230 : 20;
        texels[texel * 4 + 1] = 20;
        texels[texel * 4 + 2] = top ? 20 : 230;
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
    const std::vector<uint8_t> window = ReadWindowRgba();
    const Rgb upper = WindowPixel(window, top.x, top.y);
    const Rgb lower = WindowPixel(window, bottom.x, bottom.y);
    EXPECT_GT(upper.r, 150);
    EXPECT_LT(upper.b, 100);
    EXPECT_GT(lower.b, 150);
    EXPECT_LT(lower.r, 100);
    // The unit square's corners are the preview's (the shorter side) and its edges drawn.
    const PixelPoint corner = UvToPixel(state->uvLayout.view, rect, {0, 0});
    EXPECT_NEAR(corner.y, canvas->y1, 1.0f);
    EXPECT_GT(UvEdgePixels(Find("UV canvas")), 100);

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

}  // namespace

TEST_F(Interface, AnimationWindowListsClipsSwitchesJointsAndControlsPlayback)
{
    const std::string huesitos = "/usr/share/assimp/models/FBX/huesitos.fbx";
    EXPECT_FALSE(Shows("Animation")) << "no animated model yet";
    LoadAndShow(huesitos);
    ASSERT_TRUE(state->modelIsAnimated);
    ASSERT_TRUE(Shows("Animation"));
    EXPECT_TRUE(Shows("Bone count: 9")) << "huesitos has nine bones";
    EXPECT_FALSE(Shows("Attach camera to camera joint")) << "no camera joint";

    // The bind pose and the file's one take: the take is offered, by its name.
    ASSERT_TRUE(Click("##First animation"));
    EXPECT_FALSE(Shows("huesitos.fbx [Bindpose]"));
    ASSERT_TRUE(Click("huesitos.fbx [Armature|Action]"));

    // The takes of two added files are offered beside it.
    ASSERT_TRUE(engine->modelImporter->ImportAnimationFile(
        "/usr/share/assimp/models/FBX/animation_with_skeleton.fbx"));
    ASSERT_TRUE(Click("##Second animation"));
    EXPECT_TRUE(Shows("huesitos.fbx [Armature|Action]"));
    ASSERT_TRUE(Click("animation_with_skeleton.fbx [Armature|ArmatureAction]"));
    EXPECT_EQ(DescribeShown().currentClip, 1u) << "the first combo's clip is made active last";

    ASSERT_TRUE(Click("X-Ray joints"));
    EXPECT_TRUE(engine->showJointsThroughGeometry);
    ASSERT_TRUE(Click("Joint names"));
    Frame();
    EXPECT_TRUE(Shows("Bone"));
    // A click on a joint shows its weights, the box the joint count, the button neither.
    const BoneWeightView& weights = engine->scene->inspection.boneWeights;
    ASSERT_TRUE(Click("Bone"));
    EXPECT_EQ(weights.joint, "Bone");
    ASSERT_TRUE(Click("Joints per vertex"));
    EXPECT_TRUE(weights.jointCount);
    ASSERT_TRUE(Click("Clear weight view"));
    EXPECT_FALSE(weights.Active());

    // Playback: the clip runs, so the button pauses it first; Stop returns to the start.
    ASSERT_TRUE(Click("Pause"));
    EXPECT_TRUE(DescribeShown().paused);
    ASSERT_TRUE(Click("Start"));
    EXPECT_FALSE(DescribeShown().paused);
    ASSERT_TRUE(Click("Stop"));
    EXPECT_TRUE(DescribeShown().paused);
    EXPECT_EQ(DescribeShown().elapsedSeconds, 0.0f);

    // Review: a frame step moves by one frame at the clip's rate and shows it; a key step
    // lands on a key; the speed slider reaches the model.
    const float frameRate = DescribeShown().frameRate;
    ASSERT_TRUE(Click("Frame >"));
    EXPECT_FLOAT_EQ(DescribeShown().elapsedSeconds, 1.0f / frameRate);
    Frame();
    EXPECT_TRUE(std::any_of(widgets.begin(), widgets.end(), [](const DrawnWidget& widget) {
        return widget.label.rfind("Frame 1 / ", 0) == 0;
    }));
    ASSERT_TRUE(Click("< Frame"));
    EXPECT_EQ(DescribeShown().elapsedSeconds, 0.0f);
    ASSERT_TRUE(Click("Key >"));
    float key = DescribeShown().elapsedSeconds;
    engine->scene->WithModel([&](CModelNode* model) {
        const std::vector<float> keys = CurrentClipKeySeconds(*model);
        EXPECT_TRUE(std::find(keys.begin(), keys.end(), key) != keys.end()) << key;
    });
    EXPECT_GT(key, 0.0f);
    EXPECT_TRUE(DescribeShown().paused);
    ASSERT_TRUE(Click("Loop"));
    EXPECT_FALSE(engine->loopAnimation);
    ASSERT_TRUE(Click("Speed"));  // past the slider's middle (the label counts): 200 to 400 %
    engine->scene->WithModel([](CModelNode* model) {
        EXPECT_GT(model->animationSpeed, 200);
        EXPECT_LE(model->animationSpeed, 400);
    });
    ASSERT_TRUE(Click("Loop"));

    // A skinned mesh's row in the Scene window lists its joints for the weight view.
    ClearWeightView(engine->scene->inspection);
    ASSERT_TRUE(Click("Model"));
    ASSERT_TRUE(Click("Model Debug"));
    ASSERT_TRUE(Click("Show scene tree"));
    Frame();
    ASSERT_TRUE(Click("Expand all"));
    ASSERT_TRUE(Click("##weights Cylinder"));
    Frame();
    // The joint list's own "Bone" is drawn first; the open list's comes after it.
    const auto entry =
        std::find_if(widgets.rbegin(), widgets.rend(),
                     [](const DrawnWidget& widget) { return widget.label == "Bone"; });
    ASSERT_NE(entry, widgets.rend());
    ClickAt(entry->CentreX(), entry->CentreY());
    EXPECT_EQ(engine->scene->inspection.boneWeights.joint, "Bone");

    ASSERT_TRUE(Click("Animate sequence"));
    EXPECT_TRUE(engine->animateSequence);
    Frame();
    EXPECT_FALSE(Shows("Second animation"));
}

// The Scene window lists the model's nodes: a node's check box hides it (drawn and counted
// no more), clicking its name selects it, clicking again or "Clear selection" lets go.
TEST_F(Interface, SceneWindowHidesAndSelectsNodes)
{
    LoadAndShow(VORNIS_FIXTURES_DIR "/blender/parented_prop.fbx");
    ASSERT_TRUE(Click("Model Debug"));
    ASSERT_TRUE(Click("Show scene tree"));
    Frame(2);
    ASSERT_TRUE(Shows("Expand all") && Shows("Nothing selected  (F frames the model)"));

    // A node right below the root that draws something: the root opens with them shown.
    CModelNode* part = nullptr;
    uint64_t allVertices = 0;
    engine->scene->WithModel([&](CModelNode* model) {
        allVertices = model->VertexCount(std::nullopt);
        for (const auto& child : model->children)
            if (!part && child->HasAnyMesh())
                part = child.get();
    });
    ASSERT_TRUE(part);
    ASSERT_GT(allVertices, 0u);
    const std::string name = part->name;
    ASSERT_TRUE(Click("Visible " + name));
    engine->scene->WithModel([&](CModelNode* model) {
        EXPECT_TRUE(part->hidden);
        EXPECT_LT(model->VertexCount(std::nullopt), allVertices);
    });
    ASSERT_TRUE(Click("Visible " + name));
    engine->scene->WithModel([&](CModelNode*) { EXPECT_FALSE(part->hidden); });

    const auto label = std::find_if(widgets.begin(), widgets.end(), [&](const DrawnWidget& w) {
        return w.label.rfind(name + "  (", 0) == 0;
    });
    ASSERT_NE(label, widgets.end());
    const std::string row = label->label;
    const auto selected = [&] {
        const CModelNode* node = nullptr;
        engine->scene->WithModel([&](CModelNode*) { node = engine->scene->inspection.selected; });
        return node;
    };
    ASSERT_TRUE(Click(row));
    EXPECT_EQ(selected(), part);
    Frame();  // the line above the rows shows it from the next frame
    EXPECT_TRUE(Shows("Selected: " + name + "  (F frames it)"));
    ASSERT_TRUE(Click(row));
    EXPECT_EQ(selected(), nullptr) << "a second click lets go";
    ASSERT_TRUE(Click(row));
    ASSERT_TRUE(Click("Clear selection"));
    EXPECT_EQ(selected(), nullptr);

    // Open the part: its meshes follow with their counts and textures.
    ASSERT_TRUE(Click("Expand " + name));
    Frame();
    const auto meshRowsShown = [&] {
        return std::any_of(widgets.begin(), widgets.end(),
                           [](const DrawnWidget& w) { return w.label.find("albedo: ") == 0; });
    };
    EXPECT_TRUE(meshRowsShown());
    // Each mesh row opens that mesh's UV layout.
    const CMeshObject* firstMesh = part->meshObjects.front().get();
    ASSERT_TRUE(Click("UV layout " + firstMesh->name));
    EXPECT_TRUE(state->uvLayout.open);
    EXPECT_EQ(state->uvLayout.mesh.lock(), firstMesh->meshData);
    ASSERT_TRUE(Click("Collapse all"));
    Frame();
    EXPECT_FALSE(Shows("Visible " + name)) << "only the root's row is left";

    // A reload is a new tree: the old one's rows and open nodes go with it, the new root
    // opens with its first level, nothing is selected.
    ASSERT_TRUE(Click("Expand all"));
    ASSERT_TRUE(Click(row));
    LoadAndShow(VORNIS_FIXTURES_DIR "/blender/parented_prop.fbx");
    Frame();
    EXPECT_EQ(selected(), nullptr);
    EXPECT_TRUE(Shows("Visible " + name));
    EXPECT_FALSE(meshRowsShown()) << "no node but the root is open";
}
