// Helpers shared by the shader tests: an engine with a scene to log into, and scratch
// folders that clean up after themselves.
#pragma once

#include <memory>
#include <string>

#include "api/Engine.h"
#include "scene/Scene.h"
#include "support/ScratchDirectory.h"

inline void CreateEngineWithScene()
{
    CreateEngineObject();
    GetEngine()->scene = std::make_unique<CScene>();
}

inline std::string LastLogText()
{
    return GetEngine()->scene->log.LastMessage();
}

using testing_support::ScratchDirectory;
