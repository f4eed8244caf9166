// Writes the application icon at every size of the desktop's icon theme.
// Usage: vornis-make-icons ICON_DIR   (writes ICON_DIR/hicolor/<N>x<N>/apps/vornis.png)
#include <cstdio>
#include <string>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include "assets/AppIcon.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s ICON_DIR\n", argv[0]);
        return 2;
    }
    const std::string error = assets::WriteAppIcons(argv[1]);
    if (!error.empty()) {
        std::fprintf(stderr, "vornis-make-icons: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
