#include "textures/FileBytes.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <new>
#include <optional>

#include "platform/RegularFile.h"
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

// Reads `wanted(size)` bytes from the start of a regular file; `wanted` may refuse the
// size by returning nothing.
template <class Wanted>
FileBytesResult ReadStart(const std::filesystem::path& path, Wanted wanted)
{
    FileBytesResult out;
    platform::RegularFile file(path);
    if (!file.IsOpen()) {
        if (file.Problem() == platform::FileProblem::NotRegular)
            out.result = file.IsDirectory() ? texture_result::AccessDenied : texture_result::Fail;
        else
            out.result = texture_result::FromErrno(file.Error());
        return out;
    }
    out.fileSize = file.Size();
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
    uint64_t done = 0;
    if (!file.Read(reinterpret_cast<char*>(out.bytes.data()), size, done) || done != size) {
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
