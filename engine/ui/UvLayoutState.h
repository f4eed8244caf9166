// What the UV Layout window keeps between frames: the mesh it shows (held weakly, so that a
// released model is never kept alive by it), the edges of the chosen UV set, and the view.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "models/UvLayout.h"

struct MeshData;
struct TextureRecord;

struct UvLayoutPanel {
    bool open = false;
    std::weak_ptr<const MeshData> mesh;
    std::weak_ptr<TextureRecord> albedo;  // block 0, slot 0 of the mesh object
    std::string meshName;
    int uvSet = 0;
    // The edges of `edgesSet`; -1 until read from the mesh.
    int edgesSet = -1;
    UvEdges edges;
    UvView view;
    bool fitPending = true;  // fit the view to the UVs at the next frame
    // The drawn selection of the last frame and what it was made for.
    std::vector<uint32_t> drawn;
    UvBounds drawnFor;
    bool drawnValid = false;
};
