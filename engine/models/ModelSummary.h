// What the "Extended model info" window shows about the shown model: counts, the
// imported scene's overview and, per mesh, which vertex attributes it carries. Built
// here so that the window only lays out lines.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "math/Matrix4.h"

class CModelNode;

struct MeshAttributeSummary {
    std::string name;  // "N/A" when the mesh has no name
    bool positions = false;
    std::array<bool, 4> uvSets{};  // UV1 to UV4 (texture-coordinate sets 0 to 3)
    bool normals = false;
    bool tangentsAndBitangents = false;
    std::array<bool, 4> colorSets{};  // vertex colours 1 to 4
    bool bones = false;
};

struct ModelSummary {
    bool hasModel = false;
    int64_t vertexCount = 0;
    int64_t triangleCount = 0;
    bool hasScene = false;  // false: "No scene was loaded at all"
    uint32_t lightCount = 0;
    uint32_t cameraCount = 0;
    uint32_t animationCount = 0;
    uint32_t materialCount = 0;
    uint32_t textureCount = 0;
    uint32_t meshCount = 0;
    std::vector<MeshAttributeSummary> meshes;
};

// Counts are LOD-filtered for `eye` as the vertex and triangle counts are.
ModelSummary SummariseModel(const CModelNode* model, const std::optional<Float3>& eye);

// The window's lines in order, each with its colour.
struct ModelInfoLine {
    enum class Colour { Default, Red, Green, Yellow, Yes, No };
    std::string text;
    Colour colour = Colour::Default;
};
std::vector<ModelInfoLine> ModelInfoLines(const ModelSummary& summary);
