// What the Scene window keeps between frames: whether it is open, which nodes are expanded,
// and its rows, built again only when the model or the expanded set changes.
#pragma once

#include <cstdint>
#include <vector>

#include "models/SceneTreeRows.h"

class CModelNode;

struct SceneWindowPanel {
    bool open = false;
    // Asked for before the window has seen the model (the timing tool's "expanded" run):
    // every node opens at the next draw.
    bool expandAllPending = false;
    // Node pointers of the model of `rowsGeneration`; dropped with it.
    ExpandedNodes expanded;
    uint64_t expandedVersion = 0;  // raised by every change of `expanded`

    std::vector<SceneTreeRow> rows;
    bool rowsBuilt = false;
    uint64_t rowsGeneration = 0;  // the scene's model generation the rows show
    const CModelNode* rowsModel = nullptr;
    uint64_t rowsExpandedVersion = 0;
};
