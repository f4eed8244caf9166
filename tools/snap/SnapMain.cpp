// vornis-snap: renders a model to a PNG without a screen, through the viewer's engine.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <stb_image_write.h>

#include "SnapOptions.h"
#include "SnapRenderer.h"
#include "platform/DebugOutput.h"
#include "platform/ProcessEnd.h"

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
    // No display is needed; a caller that wants another driver says so.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    // The one line below says why a picture could not be made; the engine's own
    // diagnostics would repeat its reason.
    platform::SetDebugOutputEnabled(false);

    // From here on a model load may be running (one that took too long, say): the program
    // ends without the static destructors.
    SnapImage image;
    if (!RenderSnapshot(*options, image, error)) {
        std::fprintf(stderr, "vornis-snap: %s: %s\n", options->modelPath.c_str(), error.c_str());
        platform::EndProcess(1);
    }
    // Thumbnails are written often and read rarely: fast compression, slightly larger files.
    stbi_write_png_compression_level = 2;
    if (!stbi_write_png(options->outputPath.c_str(), image.width, image.height, 4,
                        image.rgba.data(), image.width * 4)) {
        std::fprintf(stderr, "vornis-snap: cannot write %s\n", options->outputPath.c_str());
        platform::EndProcess(1);
    }
    std::printf("%s\n", options->outputPath.c_str());
    platform::EndProcess(0);
}
