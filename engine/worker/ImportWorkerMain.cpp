// vornis-import-worker FLAGS MEMORY_BYTES PATH
// Imports one model file and writes the answer (ImportWorker.h) to descriptor 3. Whatever
// the library does to this process, the viewer that started it goes on.
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "models/ImportWorker.h"
#include "models/LibraryImport.h"
#include "platform/WorkerProcess.h"

namespace {

bool WriteAll(int fd, const std::string& bytes)
{
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        _exit(2);
    const unsigned flags = static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10));
    platform::EnterHelperLimits(std::strtoull(argv[2], nullptr, 10));
    const LibraryImport imported = ImportInThisProcess(argv[3], flags);
    // No destructors: the scene and the library's statics go with the process.
    _exit(WriteAll(platform::kWorkerAnswerFd, EncodeImportAnswer(imported)) ? 0 : 3);
}
