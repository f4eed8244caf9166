// What the inspection tools ask the scene to show beside the shading: the selected node,
// the overlays and the bone-weight view. Written by the interface and read by the draws,
// both under the scene's model lock; a new model starts with nothing selected.
#pragma once

#include <cstdint>
#include <string>

class CModelNode;

struct SceneOverlays {
    bool wireframe = false;
    float wireframeColour[3] = {0.05f, 0.05f, 0.05f};
    bool bounds = false;  // the box around the drawn model, with its dimensions
    bool normals = false;
    bool tangents = false;
    float lineLength = 0.02f;  // of the normal and tangent lines, a share of the model's size
};

// Which joint the bone-weight view colours each vertex by (its weight, blue 0 to red 1),
// or the number of joints of each vertex instead.
struct BoneWeightView {
    std::string joint;  // empty: the view is off
    bool jointCount = false;
    bool Active() const { return !joint.empty() || jointCount; }
};

struct SceneInspection {
    // A node of the shown model's tree, or null; never dangles, since the scene clears it
    // whenever it lets go of the model.
    const CModelNode* selected = nullptr;
    SceneOverlays overlays;
    BoneWeightView boneWeights;
    // Counts the models let go of: what the interface keeps about one tree (its rows,
    // which nodes are open) is good while this stays the same.
    uint64_t modelGeneration = 0;

    // What a new or released model starts with: no selection, no joint (the overlays are
    // the user's choice and stay).
    void ForgetModel()
    {
        selected = nullptr;
        boneWeights = {};
        ++modelGeneration;
    }
};
