// PNG screenshots of the viewer: what the file is called and how it is written.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// "spheres-2026-12-07-23-14-40.png": the model file's name without its extension ("vornis"
// without a model), then the local date and time.
std::string PngScreenshotName(const std::filesystem::path& modelPath, const std::tm& localTime);

// Writes the picture as a new file in `folder` under `name`, or, when that name is taken
// (a second picture within the same second, or anything planted there), under "-2", "-3"
// ... before ".png". Returns the file written; empty with the reason in `error`.
std::filesystem::path WriteNewPng(const std::filesystem::path& folder, const std::string& name,
                                  int width, int height, const std::vector<uint8_t>& rgba,
                                  std::string& error);
