// The geometry of the inspection overlays, computed without GL: the box around what the
// model draws, its edges, and the normal and tangent lines of a mesh.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "math/Matrix4.h"
#include "shaders/LineRenderer.h"

class CModelNode;
struct MeshData;

struct WorldBox {
    Float3 low = {0.0f, 0.0f, 0.0f};
    Float3 high = {0.0f, 0.0f, 0.0f};
    bool empty = true;
    Float3 Size() const { return {high[0] - low[0], high[1] - low[1], high[2] - low[2]}; }
    float HalfDiagonal() const;
    void Add(const Float3& pointLow, const Float3& pointHigh);
};

// The box around the points of every mesh the model draws (hidden nodes left out), each
// mesh's own extents moved as it is drawn: node placement and spin, skinned meshes at rest.
// In the units of the scene the vertices are drawn in.
WorldBox DrawnModelBox(const CModelNode& model);
// The same box for the meshes of `node` and the nodes below it, placed as the whole tree
// `model` draws them; empty when `node` is hidden, under a hidden node or not in the tree.
WorldBox DrawnSubtreeBox(const CModelNode& model, const CModelNode& node);

// The twelve edges of a box, as pairs of corners.
std::array<std::pair<Float3, Float3>, 12> BoxEdges(const WorldBox& box);

enum class DirectionKind : int { Normal = 0, Tangent = 1 };

// At most this many lines per mesh: denser meshes show every n-th vertex's, so the overlay
// of a million-vertex mesh stays a bounded buffer.
inline constexpr uint32_t kMaxDirectionLines = 250000;

// Two line vertices per shown vertex, from the vertex along its unit normal (or tangent)
// for `length`, in the mesh's own space; posed by `palette` (the mesh object's bone
// matrices, engine layout) when it is not empty and the mesh has bones. Nothing for a mesh
// without that attribute.
void AppendDirectionLines(const MeshData& mesh, DirectionKind kind, float length,
                          const std::array<float, 4>& colour, std::span<const Matrix4> palette,
                          std::vector<LineVertex>& out);

// The average scale of a matrix's three axes: turns a length in the world into one in the
// space the matrix places.
float AxisScale(const Matrix4& m);

// An overlay colour as the flat-colour pixel shader reads it from the draw value: RGBA, 8
// bits each, red lowest.
uint32_t PackOverlayColour(float r, float g, float b, float a);
