#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace platform {

namespace {

FileProblem ProblemOf(int error)
{
    return error == ENOENT || error == ENOTDIR ? FileProblem::Missing : FileProblem::Unreadable;
}

}  // namespace

RegularFile::RegularFile(const std::filesystem::path& path)
{
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        error = errno;
        problem = ProblemOf(error);
        return;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        error = errno;
        problem = FileProblem::Unreadable;
    } else if (!S_ISREG(info.st_mode) || info.st_size < 0) {
        directory = S_ISDIR(info.st_mode);
        problem = FileProblem::NotRegular;
    } else {
        size = static_cast<uint64_t>(info.st_size);
        return;
    }
    close(fd);
    fd = -1;
}

RegularFile::~RegularFile()
{
    if (fd >= 0)
        close(fd);
}

bool RegularFile::Read(char* out, uint64_t count, uint64_t& done)
{
    done = 0;
    while (done < count) {
        const ssize_t got = read(fd, out + done, static_cast<size_t>(count - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = errno;
            return false;
        }
        if (got == 0)
            break;
        done += static_cast<uint64_t>(got);
    }
    return true;
}

FileContents ReadRegularFile(const std::filesystem::path& path, uint64_t maxBytes)
{
    FileContents contents;
    RegularFile file(path);
    if (!file.IsOpen()) {
        contents.problem = file.Problem();
        contents.error = file.Error();
        return contents;
    }
    const auto fail = [&contents](int error) {
        contents.problem = FileProblem::Unreadable;
        contents.error = error;
        contents.bytes.clear();
        return std::move(contents);
    };
    if (file.Size() > maxBytes || file.Size() > contents.bytes.max_size())
        return fail(EFBIG);
    try {
        contents.bytes.resize(static_cast<size_t>(file.Size()));
    } catch (const std::bad_alloc&) {
        return fail(ENOMEM);
    }
    uint64_t done = 0;
    if (!file.Read(contents.bytes.data(), file.Size(), done))
        return fail(file.Error());
    // A file cut short while it was read.
    if (done != file.Size())
        return fail(EIO);
    return contents;
}

std::string FileProblemReason(FileProblem problem, int error)
{
    switch (problem) {
        case FileProblem::None:
            return {};
        case FileProblem::Missing:
            return "no such file";
        case FileProblem::NotRegular:
            return "not a regular file";
        case FileProblem::Unreadable:
            break;
    }
    return error ? std::strerror(error) : "unreadable";
}

std::string FileProblemMessage(FileProblem problem, int error, const std::filesystem::path& path)
{
    switch (problem) {
        case FileProblem::None:
            return {};
        case FileProblem::Missing:
            return "No such file: " + path.string();
        case FileProblem::NotRegular:
            return "Not a regular file: " + path.string();
        case FileProblem::Unreadable:
            break;
    }
    return "Cannot read " + path.string() + ": " + FileProblemReason(problem, error);
}

}  // namespace platform
