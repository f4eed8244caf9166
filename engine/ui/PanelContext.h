// What every panel draws with: the engine it reads and writes, the interface's state, and
// the few drawing helpers all panels share. Only for use between the interface library's
// new-frame and render steps.
#pragma once

#include <string>

#include "ui/InterfaceState.h"

class CEngine;
struct TextureRecord;
struct ImVec4;

struct PanelContext {
    CEngine& engine;
    InterfaceState& state;
};

// Remembers the item just drawn under `label` when a test listens (InterfaceState's
// drawnWidgets).
void NoteItem(InterfaceState& state, const char* label);

// One line of text, formatted with printf rules and noted under its text.
void TextLine(InterfaceState& state, const char* format, ...) __attribute__((format(printf, 2, 3)));
void ColouredTextLine(InterfaceState& state, const ImVec4& colour, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// A square preview of a texture record with its hover tooltip. Only plain 2D textures can
// be shown by the interface's renderer; cube maps, arrays and volumes get a labelled frame.
void TexturePreview(InterfaceState& state, const TextureRecord& record, float size);

// The desktop's file dialog; the missing dialog program is reported once per run. Empty
// when nothing was chosen.
std::string ChooseFile(PanelContext& panel);
