// The animation steps of one mesh object's draw: the pose of its own controller into its
// bone palette.
#pragma once

class CMeshObject;

// When the mesh object's import has bones: gives every controller of its set the object's
// blend, computes the pose of the controller of its own imported mesh and copies it into
// the palette. The palette holds engine-layout matrices (row vectors); the draw uploads
// them transposed like the draw constants. At most 256 matrices are copied and any that is
// not finite keeps the entry it replaces. False when the palette kept its contents.
bool PoseIntoPalette(CMeshObject& meshObject);
