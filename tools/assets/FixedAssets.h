// The fixed models the viewer loads from beside the program: axis gizmo, ground grid,
// skybox cube, light marker and skeleton joint arrow, each with its albedo texture. Binary
// FBX: the viewer imports these at every start, and binary files import several times
// faster than text.
#pragma once

#include <string>

namespace assets {

// Writes "xyz/", "skybox/", "lightmesh/" and "arrow/" under `runtimeDir`; returns an empty
// string on success, otherwise the first failure.
std::string WriteFixedAssets(const std::string& runtimeDir);

}  // namespace assets
