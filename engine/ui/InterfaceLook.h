// The engine's look for the debug interface: the library's dark colours with the engine's
// sizes and colours on top.
#pragma once

struct ImGuiStyle;

void ApplyEngineLook(ImGuiStyle& style);
