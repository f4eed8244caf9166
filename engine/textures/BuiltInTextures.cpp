#include "textures/BuiltInTextures.h"

std::vector<uint32_t> CheckerboardTexels()
{
    std::vector<uint32_t> texels(kCheckerboardSide * kCheckerboardSide);
    for (uint32_t y = 0; y < kCheckerboardSide; ++y) {
        for (uint32_t x = 0; x < kCheckerboardSide; ++x)
            texels[y * kCheckerboardSide + x] = (x + y) % 2 ? kCheckerMagenta : kCheckerBlack;
    }
    return texels;
}
