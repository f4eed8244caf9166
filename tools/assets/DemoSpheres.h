// The demo model: two rows of five spheres, dielectric above and metal below, going from
// polished to rough, each with albedo, material and normal textures that the viewer's
// texture discovery finds by the sphere's node name.
#pragma once

#include <string>

namespace assets {

constexpr int kDemoRows = 2;
constexpr int kDemoColumns = 5;
inline const std::string kDemoStageName = "Stage";

// Node name of one sphere; no name is part of another, so discovery cannot mix them up.
std::string DemoSphereName(int row, int column);

// Roughness of a column: polished on the left, fully rough on the right.
float DemoSphereRoughness(int column);

// Writes "demo/spheres.fbx" and its textures under `runtimeDir`; returns an empty string on
// success, otherwise the first failure.
std::string WriteDemoSpheres(const std::string& runtimeDir);

}  // namespace assets
