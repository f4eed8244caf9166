// A file created for writing that did not exist before: O_CREAT | O_EXCL | O_NOFOLLOW, so
// a link planted under the name (dangling or not) is never written through, and
// O_NONBLOCK, so nothing under the name can make the open wait.
#pragma once

#include <cstddef>
#include <filesystem>

namespace platform {

class NewFile {
   public:
    explicit NewFile(const std::filesystem::path& path);
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    bool IsOpen() const { return fd >= 0; }
    int Error() const { return error; }  // errno of the failed open or write; EEXIST: taken
    // All of `size` bytes, or false.
    bool Write(const void* data, size_t size);
    // Flushes and closes; false when the data may not have reached the file.
    bool Close();

   private:
    int fd = -1;
    int error = 0;
};

}  // namespace platform
