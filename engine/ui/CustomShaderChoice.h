// How a choice of the user's own pixel shader reaches the engine object.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "shaders/CustomShaderFiles.h"

class CEngine;

// Stores the main function's name; nothing is recompiled until the next rebuild.
void SetCustomShaderEntry(CEngine& engine, const std::string& entry);

// Stores the chosen file's path and rebuilds through `recompile`. An index outside the list
// changes nothing.
void SetCustomShaderFile(CEngine& engine, const CustomShaderList& list, size_t index,
                         const std::function<void()>& recompile);
// The same, rebuilding with RecompileShaders.
void SetCustomShaderFile(CEngine& engine, const CustomShaderList& list, size_t index);

// Rebuilds every vertex variant and pixel shader, the registry's rows with force compile,
// as a change in the shader directory does.
void RecompileShaders(CEngine& engine);
