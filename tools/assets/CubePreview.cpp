#include "CubePreview.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace assets {

std::string WriteCubePreviewPng(const std::string& path, const CubeMips& cube, int mip)
{
    if (mip < 0 || static_cast<size_t>(mip) >= cube[0].size())
        return "no mip " + std::to_string(mip) + " for the preview";
    const int n = cube[0][mip].size;
    const int width = 4 * n, height = 3 * n;
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 3, 0);
    struct Place {
        int face, column, row;
    };
    const Place places[] = {{1, 0, 1}, {4, 1, 1}, {0, 2, 1}, {5, 3, 1}, {2, 1, 0}, {3, 1, 2}};
    for (const Place& place : places) {
        const FloatImage& image = cube[place.face][mip];
        for (int y = 0; y < n; ++y) {
            for (int x = 0; x < n; ++x) {
                const float* t = &image.texels[(static_cast<size_t>(y) * n + x) * 4];
                uint8_t* p = &pixels[((static_cast<size_t>(place.row) * n + y) * width +
                                      static_cast<size_t>(place.column) * n + x) *
                                     3];
                for (int c = 0; c < 3; ++c) {
                    const float mapped = std::pow(t[c] / (1 + t[c]), 1 / 2.2f);
                    p[c] = static_cast<uint8_t>(std::clamp(mapped * 255 + 0.5f, 0.0f, 255.0f));
                }
            }
        }
    }
    if (!stbi_write_png(path.c_str(), width, height, 3, pixels.data(), width * 3))
        return "cannot write " + path;
    return {};
}

}  // namespace assets
