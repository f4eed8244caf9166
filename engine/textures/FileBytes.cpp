#include "textures/FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <new>
#include <optional>

#include "textures/TextureResult.h"

int32_t texture_result::FromErrno(int error)
{
    switch (error) {
        case ENOENT:
            return FileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
            return PathNotFound;
        case EACCES:
        case EPERM:
        case EISDIR:
            return AccessDenied;
        case ENOMEM:
            return OutOfMemory;
        default:
            return Fail;
    }
}

namespace {

class FileDescriptor {
   public:
    explicit FileDescriptor(int fd) : fd(fd) {}
    ~FileDescriptor()
    {
        if (fd >= 0)
            close(fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd; }

   private:
    int fd;
};

// Reads `wanted(size)` bytes from the start of a regular file; `wanted` may refuse the
// size by returning nothing.
template <class Wanted>
FileBytesResult ReadStart(const std::filesystem::path& path, Wanted wanted)
{
    FileBytesResult out;
    // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below.
    FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0) {
        out.result = texture_result::FromErrno(errno);
        return out;
    }
    struct stat info {};
    if (fstat(file.get(), &info) != 0) {
        out.result = texture_result::FromErrno(errno);
        return out;
    }
    if (S_ISDIR(info.st_mode)) {
        out.result = texture_result::AccessDenied;
        return out;
    }
    if (!S_ISREG(info.st_mode) || info.st_size < 0) {
        out.result = texture_result::Fail;
        return out;
    }
    out.fileSize = static_cast<uint64_t>(info.st_size);
    const std::optional<uint64_t> count = wanted(out.fileSize);
    if (!count || *count > SIZE_MAX) {
        out.result = texture_result::Fail;
        return out;
    }
    const size_t size = static_cast<size_t>(*count);
    try {
        out.bytes.resize(size);
    } catch (const std::bad_alloc&) {
        out.result = texture_result::OutOfMemory;
        return out;
    }
    size_t done = 0;
    while (done < size) {
        ssize_t got = read(file.get(), out.bytes.data() + done, size - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
    }
    if (done != size) {
        out.bytes.clear();
        out.result = texture_result::Fail;
    }
    return out;
}

}  // namespace

FileBytesResult ReadFileBytes(const std::filesystem::path& path, uint64_t maxBytes)
{
    return ReadStart(path, [maxBytes](uint64_t size) -> std::optional<uint64_t> {
        if (size > maxBytes)
            return std::nullopt;
        return size;
    });
}

FileBytesResult ReadFileStart(const std::filesystem::path& path, uint64_t count)
{
    return ReadStart(path, [count](uint64_t size) { return std::optional(std::min(size, count)); });
}
