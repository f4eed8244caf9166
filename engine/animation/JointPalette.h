// Where the bone-weight view finds a joint: the slot of a mesh's bone palette that its
// vertices name the joint by. Every skinned mesh numbers its own bones, so one joint may sit
// at a different slot in each mesh, or in none.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class CMeshObject;

// The joint's slot in a bone numbering (name -> palette slot), or -1 when the numbering
// lacks it or puts it beyond the palette.
int JointPaletteSlot(const std::map<std::string, uint32_t>& boneNumbers, const std::string& joint);

// The slot in the mesh object's own skeleton (the controller of its imported mesh, which
// fills its palette); -1 for a mesh without skeleton or without that joint.
int JointPaletteSlot(const CMeshObject& meshObject, const std::string& joint);

// The joints of the mesh object's own skeleton in palette order; empty without one.
std::vector<std::string> MeshJointNames(const CMeshObject& meshObject);
