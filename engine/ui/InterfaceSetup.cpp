#include "ui/InterfaceSetup.h"

#include <SDL.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>
#include <imgui.h>

#include <cstring>

#include "api/Engine.h"
#include "graphics/GraphicsDevice.h"
#include "platform/InterfaceFont.h"
#include "platform/Paths.h"
#include "ui/InterfaceLook.h"
#include "ui/InterfaceState.h"

struct InterfaceBackend {
    ImGuiContext* context = nullptr;
    uint32_t windowId = 0;
    // The pointer as the window's own events report it, the latest word on where it is.
    // The SDL back end polls the pointer instead: on X11 through the global pointer state,
    // which SDL may refresh only at the next button event (so a click would land where the
    // pointer was before), and with some video drivers (offscreen) not at all, since SDL
    // never calls their windows hovered or focused.
    bool pointerKnown = false;
    float pointerX = 0.0f;
    float pointerY = 0.0f;
    bool buttonsHeld[3] = {};
};

namespace {

constexpr float kFontPixels = 18.0f;
// Basic Latin and Latin-1, then Latin Extended-A from Ą to ż.
constexpr ImWchar kGlyphRanges[] = {0x0020, 0x00FF, 0x0104, 0x017C, 0};

// The atlas lives for the whole run, shared with the context made on it.
ImFontAtlas& FontAtlas()
{
    static ImFontAtlas* atlas = new ImFontAtlas();
    return *atlas;
}

void BuildFontAtlas(ImFontAtlas& atlas)
{
    if (std::optional<platform::InterfaceFont> font = platform::LoadInterfaceFont()) {
        // The atlas frees the data with the library's allocator.
        void* data = ImGui::MemAlloc(font->data.size());
        std::memcpy(data, font->data.data(), font->data.size());
        ImFontConfig config;
        config.FontNo = font->faceIndex;
        atlas.AddFontFromMemoryTTF(data, static_cast<int>(font->data.size()), kFontPixels, &config,
                                   kGlyphRanges);
        if (atlas.Build())
            return;
        atlas.Clear();
    }
    atlas.AddFontDefault();
    atlas.Build();
}

int ButtonIndex(uint8_t button)
{
    switch (button) {
        case SDL_BUTTON_LEFT:
            return 0;
        case SDL_BUTTON_RIGHT:
            return 1;
        case SDL_BUTTON_MIDDLE:
            return 2;
        default:
            return -1;
    }
}

void TrackPointer(InterfaceBackend& backend, const SDL_Event& event)
{
    switch (event.type) {
        case SDL_MOUSEMOTION:
            if (event.motion.windowID != backend.windowId)
                return;
            backend.pointerKnown = true;
            backend.pointerX = static_cast<float>(event.motion.x);
            backend.pointerY = static_cast<float>(event.motion.y);
            return;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            if (event.button.windowID != backend.windowId)
                return;
            backend.pointerKnown = true;
            backend.pointerX = static_cast<float>(event.button.x);
            backend.pointerY = static_cast<float>(event.button.y);
            if (const int index = ButtonIndex(event.button.button); index >= 0)
                backend.buttonsHeld[index] = event.type == SDL_MOUSEBUTTONDOWN;
            return;
        }
        case SDL_WINDOWEVENT:
            if (event.window.windowID == backend.windowId &&
                event.window.event == SDL_WINDOWEVENT_LEAVE) {
                backend.pointerKnown = false;
                std::memset(backend.buttonsHeld, 0, sizeof(backend.buttonsHeld));
            }
            return;
        default:
            return;
    }
}

bool IsMouseEvent(uint32_t type)
{
    return type == SDL_MOUSEMOTION || type == SDL_MOUSEBUTTONDOWN || type == SDL_MOUSEBUTTONUP ||
           type == SDL_MOUSEWHEEL;
}

bool IsKeyboardEvent(uint32_t type)
{
    return type == SDL_KEYDOWN || type == SDL_KEYUP || type == SDL_TEXTINPUT ||
           type == SDL_TEXTEDITING;
}

}  // namespace

InterfaceState::InterfaceState()
    : skyDirectories(platform::DataPathCandidates(platform::ProgramDataLayout(), "Skyboxtextures")),
      shaderDirectories(platform::ShaderDirectories(platform::ProgramDataLayout()))
{
}

InterfaceState::~InterfaceState() = default;

void InitInterface(CEngine& engine, InterfaceState& state)
{
    CGraphicsDevice* device = engine.device.get();
    if (!device || !device->window || !device->glContext || state.backend)
        return;
    ImFontAtlas& atlas = FontAtlas();
    BuildFontAtlas(atlas);
    ImGuiContext* context = ImGui::CreateContext(&atlas);
    ImGui::SetCurrentContext(context);
    ImGuiIO& io = ImGui::GetIO();
    // The interface keeps no files: no window layout and no log.
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    if (!ImGui_ImplSDL2_InitForOpenGL(device->window, device->glContext)) {
        ImGui::DestroyContext(context);
        engine.ReportMessage("Debug interface: the window back end did not start",
                             MessageLevelError);
        return;
    }
    if (!ImGui_ImplOpenGL3_Init("#version 450")) {
        ImGui_ImplSDL2_Shutdown();
        ImGui::DestroyContext(context);
        engine.ReportMessage("Debug interface: the OpenGL back end did not start",
                             MessageLevelError);
        return;
    }
    ApplyEngineLook(ImGui::GetStyle());
    state.backend = std::make_unique<InterfaceBackend>();
    state.backend->context = context;
    state.backend->windowId = SDL_GetWindowID(device->window);
}

void ShutdownInterface(InterfaceState& state)
{
    if (!state.backend)
        return;
    ImGui::SetCurrentContext(state.backend->context);
    ImGui_ImplOpenGL3_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext(state.backend->context);
    state.backend.reset();
}

int64_t ForwardInterfaceEvent(InterfaceState& state, const SDL_Event* event)
{
    if (!event || !state.backend)
        return 0;
    ImGui::SetCurrentContext(state.backend->context);
    TrackPointer(*state.backend, *event);
    ImGui_ImplSDL2_ProcessEvent(event);
    const ImGuiIO& io = ImGui::GetIO();
    if (IsMouseEvent(event->type))
        return io.WantCaptureMouse ? 1 : 0;
    if (IsKeyboardEvent(event->type))
        return io.WantCaptureKeyboard ? 1 : 0;
    return 0;
}

bool InterfaceHoldsPointer(const InterfaceState& state)
{
    if (!state.backend)
        return false;
    ImGui::SetCurrentContext(state.backend->context);
    return ImGui::GetIO().WantCaptureMouse;
}

bool BeginInterfaceFrame(InterfaceState& state)
{
    if (!state.backend)
        return false;
    InterfaceBackend& backend = *state.backend;
    ImGui::SetCurrentContext(backend.context);
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGuiIO& io = ImGui::GetIO();
    if (backend.pointerKnown) {
        // Without a hovered or focused window the back end read no buttons either.
        if (!ImGui::IsMousePosValid()) {
            for (int i = 0; i < 3; ++i)
                io.MouseDown[i] = io.MouseDown[i] || backend.buttonsHeld[i];
        }
        io.MousePos = ImVec2(backend.pointerX, backend.pointerY);
    }
    // The library stops on a frame without time; two frames in one clock tick are possible.
    if (io.DeltaTime <= 0.0f)
        io.DeltaTime = 1e-6f;
    ImGui::NewFrame();
    return true;
}

void RenderInterfaceFrame(CEngine& engine)
{
    ImGui::Render();
    if (!HasGpuContext(engine))
        return;
    engine.device->context->DrawOnWindow(
        [] { ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData()); });
}
