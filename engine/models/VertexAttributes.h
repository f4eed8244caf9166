// Where each attribute sits in a packed vertex of a given format word, for code that reads
// the engine's vertices back (overlays, inspection windows): the order the mesh builder
// writes and the input layouts read.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "math/Matrix4.h"

struct MeshData;

struct VertexAttributeOffsets {
    // Byte offsets within a vertex; -1 when the format lacks the attribute.
    int32_t position = -1;
    int32_t normal = -1;
    int32_t tangent = -1;  // the bitangent follows it
    int32_t uv0 = -1;
    int32_t uvSets = -1;  // sets 1 to 3, two floats each
    int32_t colors = -1;
    int32_t bones = -1;  // four indices as floats, then four weights
    uint32_t stride = 0;
};

VertexAttributeOffsets AttributeOffsets(uint32_t format);

// The byte offset of UV set `set` (0 to 3); -1 when the format lacks it.
int32_t UvSetOffset(const VertexAttributeOffsets& offsets, uint32_t set);

// The three floats at `offset` of vertex `vertex`; nothing when the mesh is too short for
// them or the offset is -1.
std::optional<Float3> ReadVertexFloat3(const MeshData& mesh, uint32_t vertex, int32_t offset);
// The two floats at `offset` of vertex `vertex`, on the same terms.
std::optional<std::array<float, 2>> ReadVertexFloat2(const MeshData& mesh, uint32_t vertex,
                                                     int32_t offset);
