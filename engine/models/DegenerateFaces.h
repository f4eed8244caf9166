// The import's degenerate-face step, computed here instead of by the import library, in
// parallel over the faces: a corner at the same position as one before it in its face is
// dropped, so that a triangle with two corners at one place becomes a line and one with all
// three there a point. Nothing is removed from the mesh; its primitive types are set anew
// from what its faces are afterwards. Faces and their order are the library's.
#pragma once

struct aiMesh;

void FindDegenerateFaces(aiMesh& mesh);
