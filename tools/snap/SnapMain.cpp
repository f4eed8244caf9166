// vornis-snap: renders models to PNGs without a screen, through the viewer's engine.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <set>
#include <string>
#include <vector>

#include <stb_image_write.h>

#include "FrameSink.h"
#include "SnapOptions.h"
#include "SnapRenderer.h"
#include "ToolAccess.h"

namespace {

// Writes a picture and names it on standard output; false after saying why on standard error.
bool WritePicture(const SnapImage& image, const std::string& picture)
{
    if (!stbi_write_png(picture.c_str(), image.width, image.height, 4, image.rgba.data(),
                        image.width * 4)) {
        std::fprintf(stderr, "vornis-snap: cannot write %s\n", picture.c_str());
        return false;
    }
    std::printf("%s\n", picture.c_str());
    std::fflush(stdout);
    return true;
}

// Compresses and writes each picture on a thread of its own while the next model loads and
// renders; one write at a time, finished before anything is said about the next model, so
// that messages keep the models' order.
class PictureWriter {
   public:
    ~PictureWriter() { Finish(); }
    void Start(SnapImage image, std::string picture)
    {
        Finish();
        pending = std::async(std::launch::async,
                             [image = std::move(image), picture = std::move(picture)] {
                                 return WritePicture(image, picture);
                             });
    }
    // True when the last write succeeded (or there was none).
    bool Finish()
    {
        if (!pending.valid())
            return true;
        return pending.get();
    }

   private:
    std::future<bool> pending;
};

// A picture was made, but the user should know what is missing from it.
void PrintWarnings(const std::string& model, const std::vector<std::string>& warnings)
{
    for (const std::string& warning : warnings)
        std::fprintf(stderr, "vornis-snap: %s: %s\n", model.c_str(), warning.c_str());
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
    if (!options->printInfo && !IsCapture(*options) && WritesIntoFolder(*options)) {
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
    // Every row is filtered against the row above instead of trying all five filters on each
    // row: half the writing time, files about 4 % larger.
    stbi_write_png_compression_level = 2;
    stbi_write_force_png_filter = 2;

    // The one line below says why a picture could not be made; the engine's own
    // diagnostics would repeat its reason.
    tool::SetDebugOutputEnabled(false);

    // The first model imports in its worker while the window and the engine start.
    tool::ImportModelAhead(options->modelPaths.front());

    // From here on a model load may be running (one that took too long, say): the program
    // ends without the static destructors.
    SnapSession session(*options);
    if (!session.Start(error)) {
        std::fprintf(stderr, "vornis-snap: %s\n", error.c_str());
        tool::EndProcess(1);
    }
    if (IsCapture(*options)) {
        FrameSink sink;
        const std::string& model = options->modelPaths.front();
        bool captured =
            sink.Open(options->outputPath, options->width, options->height, options->fps, error) &&
            session.Capture(model, sink, error);
        std::string closeError;
        captured = sink.Close(closeError) && captured;
        if (error.empty())
            error = closeError;
        PrintWarnings(model, session.Warnings());
        if (!captured) {
            std::fprintf(stderr, "vornis-snap: %s: %s\n", model.c_str(), error.c_str());
            tool::EndProcess(1);
        }
        std::printf("%s\n", options->outputPath.c_str());
        tool::EndProcess(0);
    }
    if (options->printInfo) {
        bool allDescribed = true;
        for (const std::string& model : options->modelPaths) {
            std::string json;
            const bool described = session.Describe(model, json, error);
            PrintWarnings(model, session.Warnings());
            if (!described) {
                std::fprintf(stderr, "vornis-snap: %s: %s\n", model.c_str(), error.c_str());
                allDescribed = false;
                continue;
            }
            std::printf("%s\n", json.c_str());
            std::fflush(stdout);
        }
        tool::EndProcess(allDescribed ? 0 : 1);
    }
    // A failed model is reported and skipped; the others still get their pictures.
    bool allWritten = true;
    std::set<std::string> written;
    PictureWriter writer;
    for (const std::string& model : options->modelPaths) {
        const std::string picture = PicturePath(*options, model);
        if (!written.insert(picture).second) {
            allWritten &= writer.Finish();
            std::fprintf(stderr, "vornis-snap: %s: %s is the picture of an earlier model\n",
                         model.c_str(), picture.c_str());
            allWritten = false;
            continue;
        }
        SnapImage image;
        const bool rendered = session.Render(model, image, error);
        allWritten &= writer.Finish();
        PrintWarnings(model, session.Warnings());
        if (!rendered) {
            std::fprintf(stderr, "vornis-snap: %s: %s\n", model.c_str(), error.c_str());
            allWritten = false;
            continue;
        }
        writer.Start(std::move(image), picture);
    }
    allWritten &= writer.Finish();
    tool::EndProcess(allWritten ? 0 : 1);
}
