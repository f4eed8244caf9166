// The index list a mesh is drawn with: each corner names the first of the vertices that pack
// to the same bytes. The import gives every face corner a vertex of its own; a renderer
// that keeps recently shaded vertices (a software renderer's vertex cache) then shades a
// shared corner once instead of once per face. The vertices themselves are not touched, so
// every triangle is drawn from the same bytes as before.
#pragma once

#include <cstdint>
#include <vector>

#include "models/MeshData.h"

// The mesh's indices, each replaced by the first vertex identical to the one it names; empty
// when no vertex repeats an earlier one (the mesh's own indices then serve as they are). An
// index beyond the vertices is kept as it is.
std::vector<uint32_t> IndicesOfFirstIdenticalVertices(const MeshData& mesh);
