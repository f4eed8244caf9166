// The vertices and index list a mesh is drawn with. The import gives every face corner a
// vertex of its own; most of them pack to the same bytes as a neighbour's. Drawn from the
// distinct vertices only, the GPU copy is a fraction of the packed vertices, and a renderer
// that keeps recently shaded vertices (a software renderer's vertex cache) shades a shared
// corner once instead of once per face. Every triangle reads the same bytes as through the
// mesh's own vertices and indices, which are not touched.
#pragma once

#include <cstdint>
#include <vector>

#include "models/MeshData.h"

struct SharedVertexDraw {
    VertexBytes vertices;           // the mesh's vertices less the repeats, in their order
    std::vector<uint32_t> indices;  // into `vertices`
};

// A vertex that packs to the same bytes as one of the recent vertices before it (a few
// thousand, in stretches of 65,536 vertices) is left out, and its corners name that one.
// Empty when no vertex repeats one of those: the mesh's own vertices and indices then serve
// as they are. An index beyond the vertices is kept as it is, beyond them still.
SharedVertexDraw DrawSharingRecentVertices(const MeshData& mesh);
