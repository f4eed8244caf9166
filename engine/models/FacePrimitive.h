// The import library's primitive type of a face with a given number of corners, as its
// steps set a mesh's primitive types from the faces they leave.
#pragma once

#include <assimp/mesh.h>

inline unsigned FacePrimitiveType(unsigned corners)
{
    switch (corners) {
        case 1:
            return aiPrimitiveType_POINT;
        case 2:
            return aiPrimitiveType_LINE;
        case 3:
            return aiPrimitiveType_TRIANGLE;
        default:
            return aiPrimitiveType_POLYGON;
    }
}
