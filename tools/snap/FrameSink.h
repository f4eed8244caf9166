// Where a capture's frames go, one at a time as they are rendered, so memory does not grow
// with their number: numbered PNGs in a folder, or raw RGBA piped to the ffmpeg program
// for a video (.mp4, .webm, .gif). ffmpeg is optional and looked for on PATH at run time.
#pragma once

#include <sys/types.h>

#include <string>

#include "SnapRenderer.h"

// Whether the output name asks for a video.
bool IsVideoName(const std::string& path);

// The program's full path from PATH; empty when it is nowhere.
std::string FindOnPath(const std::string& program);

class FrameSink {
   public:
    ~FrameSink();
    // False with the reason (no ffmpeg, a folder that cannot be made).
    bool Open(const std::string& output, int width, int height, int fps, std::string& error);
    bool Write(const SnapImage& image, std::string& error);
    // Ends the video and waits for ffmpeg; false when it failed.
    bool Close(std::string& error);
    int Written() const { return written; }

   private:
    std::string folder;
    int written = 0;
    int videoPipe = -1;
    pid_t encoder = -1;
};
