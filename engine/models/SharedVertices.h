// The distinct vertices of a mesh. The import gives every face corner a vertex of its own;
// most of them pack to the same bytes as a neighbour's. Kept and drawn from the distinct
// vertices only, the engine's and the GPU's copies are a fraction of the packed vertices,
// and a renderer that keeps recently shaded vertices (a software renderer's vertex cache)
// shades a shared corner once instead of once per face. Every vertex reads the same bytes
// through its place as it read before.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "models/MeshData.h"

struct DistinctVertexSet {
    VertexBytes vertices;          // the mesh's vertices less the repeats, in their order
    std::vector<uint32_t> places;  // per vertex of the mesh, its row in `vertices`
};

// Packs vertices [first, end) and gives their bytes: into `scratch`, or where they already
// are. Called from several threads at once, for separate stretches.
using PackStretch =
    std::function<const uint8_t*(uint32_t first, uint32_t end, VertexBytes& scratch)>;

// The distinct vertices of `count` packed ones, packed a stretch at a time, so that the
// packed vertices are never all in memory at once. A vertex that packs to the same bytes as
// one of the recent vertices before it (a few thousand, in stretches of 65,536 vertices) is
// left out, and its place is that one's. No places when no vertex repeats one of those:
// the vertices are then all there, in their order.
DistinctVertexSet DistinctVertices(uint32_t count, uint32_t stride, const PackStretch& pack);
