// Triangle meshes for the generated assets, built in the right-handed, counter-clockwise
// convention of FBX files; the viewer's import mirrors them into its left-handed space.
#pragma once

#include <cstdint>
#include <vector>

#include "Vec.h"

namespace assets {

struct MeshGeometry {
    std::vector<Vec3> positions;
    std::vector<Vec3> normals;
    std::vector<Vec2> uvs;
    std::vector<uint32_t> indices;  // triangles, counter-clockwise seen from the normal side
};

// One ring of a surface of revolution: distance from the axis, height along it, the
// surface normal split into its radial and axial parts, and the v texture coordinate.
struct LatheRing {
    float radius, height;
    float normalRadial, normalAxial;
    float v;
};

// Revolves consecutive rings around `frame.axis` starting at `base`. Two rings at the same
// place give a hard edge; triangles that collapse (at the axis) are left out.
void AddLathe(MeshGeometry& mesh, Vec3 base, const Frame& frame,
              const std::vector<LatheRing>& rings, int segments);

// Profile of a shaft with a cone on top, with flat caps: an arrow of `length` along the axis.
std::vector<LatheRing> ArrowProfile(float shaftRadius, float headRadius, float headLength,
                                    float length);

void AddSphere(MeshGeometry& mesh, Vec3 centre, float radius, int segments, int rings);

// A ring torus around the y axis through the origin: `segments` steps around the axis,
// `sides` around the tube, 2 * segments * sides triangles.
void AddTorus(MeshGeometry& mesh, float majorRadius, float minorRadius, int segments, int sides);

// A rectangle split into cells, facing Cross(u, v); u and v are half extents.
void AddPatch(MeshGeometry& mesh, Vec3 centre, Vec3 u, Vec3 v, int cellsU, int cellsV);

// The lines of a square grid in the y = 0 plane, `cells` to a side of 2 * halfSize, for a
// wireframe pass: one sliver triangle per line, whose two long edges lie on the line (as the
// shared edges of two cells did), with no diagonals between the lines.
void AddGridLines(MeshGeometry& mesh, float halfSize, int cells);

// Axis-aligned box whose faces point inwards, to be seen from inside.
void AddInwardBox(MeshGeometry& mesh, float halfExtent);

// Double pyramid from `base` to `base + axis * length`, widest at `widthAt` of the length.
void AddBoneShape(MeshGeometry& mesh, Vec3 base, Vec3 axis, float length, float width,
                  float widthAt);

}  // namespace assets
