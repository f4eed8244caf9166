// The index list a mesh is drawn with: a corner names an earlier vertex that packs to the
// same bytes as its own. The import gives every face corner a vertex of its own; a renderer
// that keeps recently shaded vertices (a software renderer's vertex cache) then shades a
// shared corner once instead of once per face. The vertices themselves are not touched, so
// every triangle is drawn from the same bytes as before.
#pragma once

#include <cstdint>
#include <vector>

#include "models/MeshData.h"

// The mesh's indices, each replaced by the first of the identical vertices among the recent
// ones before it (a few thousand, in stretches of 65,536 vertices); empty when no vertex
// repeats one of those (the mesh's own indices then serve as they are). An index beyond the
// vertices is kept as it is.
std::vector<uint32_t> IndicesSharingRecentVertices(const MeshData& mesh);
