// vornis-snap: renders models to PNGs without a screen, through the viewer's engine.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <stb_image_write.h>

#include "SnapOptions.h"
#include "SnapRenderer.h"

namespace {

// Renders and writes one model's picture; false after saying why on standard error.
bool Snap(SnapSession& session, const std::string& model, const std::string& picture)
{
    SnapImage image;
    std::string error;
    if (!session.Render(model, image, error)) {
        std::fprintf(stderr, "vornis-snap: %s: %s\n", model.c_str(), error.c_str());
        return false;
    }
    if (!stbi_write_png(picture.c_str(), image.width, image.height, 4, image.rgba.data(),
                        image.width * 4)) {
        std::fprintf(stderr, "vornis-snap: cannot write %s\n", picture.c_str());
        return false;
    }
    std::printf("%s\n", picture.c_str());
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kSnapUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    std::string error;
    std::optional<SnapOptions> options = ParseSnapOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "vornis-snap: %s\n%s", error.c_str(), kSnapUsage);
        return 2;
    }
    if (WritesIntoFolder(*options)) {
        std::error_code failed;
        std::filesystem::create_directories(options->outputPath, failed);
        if (failed) {
            std::fprintf(stderr, "vornis-snap: cannot make the folder %s: %s\n",
                         options->outputPath.c_str(), failed.message().c_str());
            return 1;
        }
    }
    // No display is needed; a caller that wants another driver says so.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    // Thumbnails are written often and read rarely: fast compression, slightly larger files.
    stbi_write_png_compression_level = 2;

    SnapSession session(*options);
    if (!session.Start(error)) {
        std::fprintf(stderr, "vornis-snap: %s\n", error.c_str());
        return 1;
    }
    // A failed model is reported and skipped; the others still get their pictures.
    bool allWritten = true;
    std::set<std::string> written;
    for (const std::string& model : options->modelPaths) {
        const std::string picture = PicturePath(*options, model);
        if (!written.insert(picture).second) {
            std::fprintf(stderr, "vornis-snap: %s: %s is the picture of an earlier model\n",
                         model.c_str(), picture.c_str());
            allWritten = false;
            continue;
        }
        allWritten &= Snap(session, model, picture);
    }
    return allWritten ? 0 : 1;
}
