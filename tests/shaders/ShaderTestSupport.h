// Helpers shared by the shader tests: an engine with a scene to log into, and scratch
// folders that clean up after themselves.
#pragma once

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "api/Engine.h"
#include "scene/Scene.h"

inline void CreateEngineWithScene()
{
    CreateEngineObject();
    GetEngine()->scene = std::make_unique<CScene>();
}

inline std::string LastLogText()
{
    return GetEngine()->scene->log.LastMessage();
}

class ScratchDirectory {
   public:
    ScratchDirectory()
    {
        static int counter = 0;
        path = std::filesystem::temp_directory_path() /
               ("vornis_shaders_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~ScratchDirectory()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::filesystem::path Write(const std::string& name, const std::string& text) const
    {
        std::filesystem::path file = path / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }
    std::filesystem::path path;
};
