#include "ui/InterfaceFrame.h"

#include "api/Engine.h"
#include "scene/Scene.h"
#include "ui/InterfaceSetup.h"
#include "ui/Panels.h"

void DrawInterface(CEngine& engine, InterfaceState& state)
{
    if (state.hidden || !BeginInterfaceFrame(state))
        return;
    PanelContext panel{engine, state};
    if (engine.scene)
        state.modelIsAnimated = engine.scene->hasAnimation;

    DrawBoundsLabels(panel);
    const float timerValue = DrawMainWindow(panel);
    DrawLogWindow(panel);
    if (!state.droppedImage.droppedPath.empty())
        DrawDroppedImagePopup(panel);
    if (state.modelIsAnimated)
        DrawAnimationWindow(panel);
    if (state.sceneWindow.open)
        DrawSceneWindow(panel);
    if (state.uvLayout.open)
        DrawUvLayoutWindow(panel);

    // User shaders read these every frame, whether or not their tabs are shown.
    if (engine.scene) {
        for (int i = 0; i < 4; ++i)
            engine.customShaderValues[i] = state.shaderValues.custom[i];
        engine.customShaderValues[4] = timerValue;
    }
    RenderInterfaceFrame(engine);
}
