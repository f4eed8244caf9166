#include "platform/NewFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

NewFile::NewFile(const std::filesystem::path& path)
{
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                0644);
    if (fd < 0)
        error = errno;
}

NewFile::~NewFile()
{
    Close();
}

bool NewFile::Write(const void* data, size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    while (fd >= 0 && size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            error = written < 0 ? errno : EIO;
            return false;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return fd >= 0;
}

bool NewFile::Close()
{
    if (fd < 0)
        return false;
    const bool closed = ::close(fd) == 0;
    fd = -1;
    if (!closed)
        error = errno;
    return closed && error == 0;
}

}  // namespace platform
