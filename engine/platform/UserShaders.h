// The user's shader folder of an installed viewer, filled from the installed shaders so that
// they can be edited (and are hot-reloaded) where share/ is read-only.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Paths.h"

struct UserShaderCopy {
    std::filesystem::path folder;  // where the user edits shaders
    std::vector<std::string> copied;
    std::vector<std::string> kept;  // already there: a user's edits are never overwritten
    std::string error;              // empty on success
};

// Copies every installed shader file that the user's folder lacks into it. Outside an
// installed tree there is nothing to copy: `folder` is then the shader folder beside the
// program, where shaders are edited in place, and nothing else is set.
UserShaderCopy CopyShadersToUserFolder(const platform::DataLayout& layout);
