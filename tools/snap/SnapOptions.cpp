#include "SnapOptions.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "ToolAccess.h"

const char* const kSnapUsage =
    "usage: vornis-snap MODEL... -o OUT.png|DIR/ [--size WxH|N] [--view NAME] [--sky FILE]\n"
    "                  [--no-sky] [--transparent] [--time SECONDS] [--skeleton]\n"
    "                  [--frame whole|largest] [--timings] [--]\n"
    "       vornis-snap MODEL -o DIR/|OUT.mp4|OUT.webm|OUT.gif\n"
    "                  (--turntable N | --clip [SECONDS] [--take NAME] [--fps F]) [...]\n"
    "       vornis-snap --info MODEL... [--time SECONDS]\n"
    "  -o, --output FILE  the PNG to write; with several models (or a name ending in '/')\n"
    "                     the folder that gets one MODELNAME.png per model\n"
    "  --size WxH|N       picture size in pixels; N alone is N x N (default 800x600)\n"
    "  --view NAME        channel view: default albedo roughness metalness ao emissive\n"
    "                     normalmap vertexnormal binormal tangent objectnormal vertexcolors\n"
    "  --sky FILE         cube-map DDS or HDR panorama (.hdr, .exr) for the sky\n"
    "                     (default: the first installed sky)\n"
    "  --no-sky           the background colour instead of the sky\n"
    "  --transparent      no sky; what the model does not cover is transparent\n"
    "  --time SECONDS     pose a skinned model at this time of its animation (default 0)\n"
    "  --skeleton         draw the joints as lines through the model\n"
    "  --frame whole|largest  frame every mesh (default), or the largest one as the\n"
    "                     viewer does\n"
    "  --turntable N      N frames of one full turn of the camera around the model\n"
    "  --clip [SECONDS]   the clip from its start, SECONDS long (default: the clip's length)\n"
    "  --take NAME        the clip of that take instead of the first\n"
    "  --fps F            frames a second of a clip capture, 1 to 60 (default 30)\n"
    "                     Captures write numbered PNGs into DIR, or a video through the\n"
    "                     ffmpeg program (Debian package \"ffmpeg\") for .mp4, .webm, .gif\n"
    "  --timings          print how long each phase took\n"
    "  --info             render nothing: print one JSON object a model (counts, clips,\n"
    "                     world bounds at --time, textures found and missing)\n"
    "  --                 what follows is the model, even if it begins with '-'\n";

namespace {

// Short names in the order of the channel views.
constexpr std::array<const char*, 12> kShortViewNames = {
    "default",   "albedo",       "roughness", "metalness", "ao",           "emissive",
    "normalmap", "vertexnormal", "binormal",  "tangent",   "objectnormal", "vertexcolors"};

bool ParseSize(const std::string& text, int& width, int& height)
{
    // One number is a square, as thumbnailers ask for.
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos)
        return ParseSize(text + "x" + text, width, height);
    if (x == 0 || x + 1 >= text.size())
        return false;
    char* end = nullptr;
    const long w = std::strtol(text.c_str(), &end, 10);
    if (end != text.c_str() + x)
        return false;
    const long h = std::strtol(text.c_str() + x + 1, &end, 10);
    if (*end != '\0')
        return false;
    // Large enough for any thumbnail or poster, small enough for a software renderer.
    if (w < 1 || h < 1 || w > 8192 || h > 8192)
        return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool ParseSeconds(const std::string& text, float& seconds)
{
    char* end = nullptr;
    const float value = std::strtof(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || value < 0.0f)
        return false;
    seconds = value;
    return true;
}

}  // namespace

bool IsCapture(const SnapOptions& options)
{
    return options.turntableFrames > 0 || options.captureClip;
}

bool WritesIntoFolder(const SnapOptions& options)
{
    std::error_code ignored;
    return options.modelPaths.size() > 1 ||
           (!options.outputPath.empty() && options.outputPath.back() == '/') ||
           std::filesystem::is_directory(options.outputPath, ignored);
}

std::string PicturePath(const SnapOptions& options, const std::string& modelPath)
{
    if (!WritesIntoFolder(options))
        return options.outputPath;
    const std::filesystem::path name = std::filesystem::path(modelPath).stem();
    return (std::filesystem::path(options.outputPath) / name).string() + ".png";
}

std::string ViewDisplayName(const std::string& name)
{
    std::string lower;
    for (char c : name)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::vector<std::string> viewNames = tool::ChannelViewNames();
    for (size_t i = 0; i < kShortViewNames.size() && i < viewNames.size(); ++i)
        if (lower == kShortViewNames[i] || name == viewNames[i])
            return viewNames[i];
    return {};
}

std::optional<SnapOptions> ParseSnapOptions(const std::vector<std::string>& args,
                                            std::string& error)
{
    SnapOptions options;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            options.modelPaths.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-o" || arg == "--output") {
            if (!hasValue)
                return error = arg + " needs a file name", std::nullopt;
            options.outputPath = args[++i];
        } else if (arg == "--size") {
            if (!hasValue || !ParseSize(args[i + 1], options.width, options.height))
                return error = "--size needs WxH or N between 1 and 8192", std::nullopt;
            ++i;
        } else if (arg == "--view") {
            if (!hasValue || (options.viewName = ViewDisplayName(args[i + 1])).empty())
                return error = "unknown view: " + (hasValue ? args[i + 1] : ""), std::nullopt;
            ++i;
        } else if (arg == "--sky") {
            if (!hasValue)
                return error = "--sky needs a file name", std::nullopt;
            options.skyPath = args[++i];
        } else if (arg == "--no-sky") {
            options.showSky = false;
        } else if (arg == "--transparent") {
            options.transparent = true;
            options.showSky = false;
        } else if (arg == "--time") {
            float seconds = 0.0f;
            if (!hasValue || !ParseSeconds(args[i + 1], seconds))
                return error = "--time needs a number of seconds, 0 or more", std::nullopt;
            options.clipTime = seconds;
            ++i;
        } else if (arg == "--skeleton") {
            options.showSkeleton = true;
        } else if (arg == "--frame") {
            const std::string value = hasValue ? args[i + 1] : "";
            if (value != "whole" && value != "largest")
                return error = "--frame needs whole or largest", std::nullopt;
            options.frameWholeModel = value == "whole";
            ++i;
        } else if (arg == "--turntable") {
            char* end = nullptr;
            const long frames = hasValue ? std::strtol(args[i + 1].c_str(), &end, 10) : 0;
            if (!hasValue || *end != '\0' || frames < 1 || frames > 100000)
                return error = "--turntable needs a number of frames, 1 to 100000", std::nullopt;
            options.turntableFrames = static_cast<int>(frames);
            ++i;
        } else if (arg == "--clip") {
            options.captureClip = true;
            float seconds = 0.0f;
            if (hasValue && ParseSeconds(args[i + 1], seconds)) {
                if (seconds <= 0.0f)
                    return error = "--clip needs more than 0 seconds", std::nullopt;
                options.clipSeconds = seconds;
                ++i;
            }
        } else if (arg == "--take") {
            if (!hasValue)
                return error = "--take needs the name of a take", std::nullopt;
            options.takeName = args[++i];
        } else if (arg == "--fps") {
            char* end = nullptr;
            const long fps = hasValue ? std::strtol(args[i + 1].c_str(), &end, 10) : 0;
            if (!hasValue || *end != '\0' || fps < 1 || fps > 60)
                return error = "--fps needs frames per second, 1 to 60", std::nullopt;
            options.fps = static_cast<int>(fps);
            ++i;
        } else if (arg == "--timings") {
            options.printTimings = true;
        } else if (arg == "--info") {
            options.printInfo = true;
        } else {
            return error = "unknown option: " + arg, std::nullopt;
        }
    }
    if (options.printInfo && !options.modelPaths.empty())
        return options;
    if (options.modelPaths.empty() || options.outputPath.empty())
        return error = "a model and -o OUT.png are required", std::nullopt;
    if (options.turntableFrames > 0 && options.captureClip)
        return error = "--turntable and --clip do not go together", std::nullopt;
    if (!options.takeName.empty() && !options.captureClip)
        return error = "--take goes with --clip", std::nullopt;
    if (IsCapture(options) && options.modelPaths.size() != 1)
        return error = "a capture takes one model", std::nullopt;
    return options;
}
