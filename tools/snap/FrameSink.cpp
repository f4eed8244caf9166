#include "FrameSink.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stb_image_write.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

extern char** environ;

namespace {

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Codec arguments per container: H.264 and VP9 want even sides, GIF its own palette.
std::vector<std::string> EncoderArguments(const std::string& output)
{
    if (EndsWith(output, ".gif"))
        return {"-vf", "split[a][b];[a]palettegen[p];[b][p]paletteuse"};
    const std::vector<std::string> even = {"-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2"};
    std::vector<std::string> args = even;
    if (EndsWith(output, ".webm"))
        args.insert(args.end(), {"-c:v", "libvpx-vp9", "-b:v", "0", "-crf", "32"});
    else
        args.insert(args.end(), {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-crf", "20"});
    return args;
}

}  // namespace

bool IsVideoName(const std::string& path)
{
    return EndsWith(path, ".mp4") || EndsWith(path, ".webm") || EndsWith(path, ".gif");
}

std::string FindOnPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string dir = dirs.substr(start, end - start);
        if (!dir.empty()) {
            const std::string candidate = dir + "/" + program;
            if (access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        start = end + 1;
    }
    return {};
}

FrameSink::~FrameSink()
{
    std::string ignored;
    Close(ignored);
}

bool FrameSink::Open(const std::string& output, int width, int height, int fps, std::string& error)
{
    if (!IsVideoName(output)) {
        std::error_code failed;
        std::filesystem::create_directories(output, failed);
        if (failed) {
            error = "cannot make the folder " + output + ": " + failed.message();
            return false;
        }
        folder = output;
        return true;
    }
    const std::string ffmpeg = FindOnPath("ffmpeg");
    if (ffmpeg.empty()) {
        error =
            "a video needs the ffmpeg program, which is not installed (Debian package "
            "\"ffmpeg\"); or name a folder for PNG frames";
        return false;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error = std::string("no pipe: ") + std::strerror(errno);
        return false;
    }
    std::vector<std::string> args = {"ffmpeg",
                                     "-hide_banner",
                                     "-loglevel",
                                     "error",
                                     "-y",
                                     "-f",
                                     "rawvideo",
                                     "-pixel_format",
                                     "rgba",
                                     "-video_size",
                                     std::to_string(width) + "x" + std::to_string(height),
                                     "-framerate",
                                     std::to_string(fps),
                                     "-i",
                                     "-"};
    for (std::string& arg : EncoderArguments(output))
        args.push_back(std::move(arg));
    args.push_back(output);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    const int spawned =
        posix_spawn(&encoder, ffmpeg.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (spawned != 0) {
        close(fds[1]);
        encoder = -1;
        error = "cannot start " + ffmpeg + ": " + std::strerror(spawned);
        return false;
    }
    // An encoder that dies must give a message, not end this program.
    signal(SIGPIPE, SIG_IGN);
    videoPipe = fds[1];
    return true;
}

bool FrameSink::Write(const SnapImage& image, std::string& error)
{
    if (!folder.empty()) {
        char name[32];
        std::snprintf(name, sizeof name, "%05d.png", written);
        const std::string path = (std::filesystem::path(folder) / name).string();
        if (!stbi_write_png(path.c_str(), image.width, image.height, 4, image.rgba.data(),
                            image.width * 4)) {
            error = "cannot write " + path;
            return false;
        }
        ++written;
        return true;
    }
    const auto* bytes = reinterpret_cast<const char*>(image.rgba.data());
    size_t left = image.rgba.size();
    while (left > 0) {
        const ssize_t done = write(videoPipe, bytes, left);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            error = "ffmpeg stopped taking frames";
            return false;
        }
        bytes += done;
        left -= static_cast<size_t>(done);
    }
    ++written;
    return true;
}

bool FrameSink::Close(std::string& error)
{
    if (videoPipe >= 0) {
        close(videoPipe);
        videoPipe = -1;
    }
    if (encoder < 0)
        return true;
    int status = 0;
    while (waitpid(encoder, &status, 0) < 0 && errno == EINTR) {
    }
    encoder = -1;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = "ffmpeg could not make the video";
        return false;
    }
    return true;
}
