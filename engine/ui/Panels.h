// The windows and tabs of the debug interface. Each draws itself between the interface's
// new-frame and render steps and writes straight into the engine.
#pragma once

#include <optional>
#include <string>

#include "math/Matrix4.h"
#include "ui/PanelContext.h"

class CModelNode;
class CMeshObject;

// The main window "Menu" with its tabs. Returns the value the shader timer hands the
// shaders this frame.
float DrawMainWindow(PanelContext& panel);

// Tabs of the main window.
void DrawLightSettingsTab(PanelContext& panel);
void DrawStatsTab(PanelContext& panel);
void DrawShaderValuesTab(PanelContext& panel);
float DrawShaderTimerTab(PanelContext& panel);  // the timer's value for the shaders
void DrawModelSettingsTab(PanelContext& panel);
void DrawModelDebugTab(PanelContext& panel);
void DrawDisplayTab(PanelContext& panel);
void DrawShaderFileTab(PanelContext& panel);

// The "Extended model info" window about `model` (null: none shown), called with the
// model lock held. Returns false once the user has closed it.
bool DrawExtendedModelInfo(PanelContext& panel, const CModelNode* model,
                           const std::optional<Float3>& eye);

// The "LOG" window with the engine's messages.
void DrawLogWindow(PanelContext& panel);

// The question about a dropped image, while one waits.
void DrawDroppedImagePopup(PanelContext& panel);

// The "Animation" window, drawn while the model is animated.
void DrawAnimationWindow(PanelContext& panel);

// The "Scene" window: the shown model's node tree with its meshes, visibility and the
// selection; drawn while the panel is open.
void DrawSceneWindow(PanelContext& panel);

// The Display tab's overlay switches, and the bounding box's dimensions drawn beside its
// edges behind every window.
void DrawOverlaysSection(PanelContext& panel);
void DrawBoundsLabels(PanelContext& panel);
// The "UV Layout" window of one mesh: opened for `mesh` (null: it says there is none to
// show) with the model lock held, drawn while open.
void OpenUvLayout(InterfaceState& state, const CMeshObject* mesh);
void DrawUvLayoutWindow(PanelContext& panel);

// A length as the overlays write it: four significant digits.
std::string FormatLength(float length);
