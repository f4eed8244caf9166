// An in-memory file's first pages written with zeros ahead of the real bytes, on a thread
// that runs only while a core is idle. On the virtual machines we build and test on, the
// first write to a page costs several times what a later write does; a helper's answer,
// hundreds of megabytes for a large model, is then copied onto pages that already exist.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace platform {

class FileFillAhead {
   public:
    // Starts filling [0, bytes) of `file`, which nothing else writes until Stop(). Does
    // nothing for a file that is not empty, or where the system gives no thread.
    FileFillAhead(int file, uint64_t bytes);
    ~FileFillAhead();
    FileFillAhead(const FileFillAhead&) = delete;
    FileFillAhead& operator=(const FileFillAhead&) = delete;

    // Ends the filling and waits for it: the file may be longer than what is written next,
    // and the caller cuts it to that (CutFileAtOffset).
    void Stop();

   private:
    std::atomic<bool> stopping{false};
    std::thread filler;
};

// Cuts `file` where its offset stands, after the bytes written to it; false when it cannot.
bool CutFileAtOffset(int file);

}  // namespace platform
