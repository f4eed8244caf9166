// Opening the files users name without ever blocking: a FIFO, a device or a directory
// under a model's or a texture's name must give a message, not a thread that waits for
// ever in open() or read().
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace platform {

enum class FileProblem {
    None,
    Missing,     // nothing there, a dangling link, or a missing folder on the way
    NotRegular,  // a directory, FIFO, socket or device
    Unreadable,  // anything else the system refuses (permissions, link loops, I/O errors)
};

// An open regular file, closed with the object. Opened with O_NONBLOCK, which a FIFO
// needs to be opened at all without a writer, and checked with fstat on the descriptor
// itself, so nothing can be swapped in between the check and the reads.
class RegularFile {
   public:
    explicit RegularFile(const std::filesystem::path& path);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool IsOpen() const { return fd >= 0; }
    FileProblem Problem() const { return problem; }
    int Error() const { return error; }  // errno of the failed call; 0 when none
    bool IsDirectory() const { return directory; }
    int Descriptor() const { return fd; }
    uint64_t Size() const { return size; }

    // Up to `count` bytes from the current position into `out`; fewer at the end of the
    // file. False on a read error.
    bool Read(char* out, uint64_t count, uint64_t& done);

   private:
    int fd = -1;
    FileProblem problem = FileProblem::None;
    int error = 0;
    bool directory = false;
    uint64_t size = 0;
};

struct FileContents {
    FileProblem problem = FileProblem::None;
    int error = 0;
    std::string bytes;
};

// The whole file. Larger than `maxBytes`, shorter than its size, or more than memory
// holds: Unreadable with EFBIG, EIO or ENOMEM.
FileContents ReadRegularFile(const std::filesystem::path& path, uint64_t maxBytes);

// "No such file: PATH", "Not a regular file: PATH", "Cannot read PATH: REASON".
std::string FileProblemMessage(FileProblem problem, int error, const std::filesystem::path& path);

// The reason alone, for messages of their own: "no such file", "not a regular file", or
// the system's text for `error`.
std::string FileProblemReason(FileProblem problem, int error);

}  // namespace platform
