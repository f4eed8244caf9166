#include "textures/FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

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

}  // namespace

FileBytesResult ReadFileBytes(const std::filesystem::path& path, uint64_t maxBytes)
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
    if (!S_ISREG(info.st_mode) || info.st_size < 0 ||
        static_cast<uint64_t>(info.st_size) > maxBytes) {
        out.result = texture_result::Fail;
        return out;
    }
    const size_t size = static_cast<size_t>(info.st_size);
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
