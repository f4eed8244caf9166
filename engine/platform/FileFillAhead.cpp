#include "platform/FileFillAhead.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace platform {

namespace {

constexpr size_t kChunkBytes = size_t{1} << 20;
const char kZeros[kChunkBytes] = {};

// Only a core that has nothing else to do fills pages: the filling must never take time from
// the work whose answer will land on them.
void RunWhenIdle()
{
    sched_param none{};
    if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &none) != 0)
        setpriority(PRIO_PROCESS, 0, 19);
}

}  // namespace

FileFillAhead::FileFillAhead(int file, uint64_t bytes)
{
    struct stat status {};
    if (bytes == 0 || fstat(file, &status) != 0 || status.st_size != 0)
        return;
    try {
        filler = std::thread([this, file, bytes] {
            RunWhenIdle();
            for (uint64_t at = 0; at < bytes && !stopping.load(std::memory_order_relaxed);) {
                const size_t chunk =
                    static_cast<size_t>(std::min<uint64_t>(kChunkBytes, bytes - at));
                const ssize_t written = pwrite(file, kZeros, chunk, static_cast<off_t>(at));
                if (written < 0 && errno == EINTR)
                    continue;
                if (written <= 0)
                    return;
                at += static_cast<uint64_t>(written);
            }
        });
    } catch (const std::system_error&) {
    }
}

FileFillAhead::~FileFillAhead()
{
    Stop();
}

void FileFillAhead::Stop()
{
    stopping.store(true);
    if (filler.joinable())
        filler.join();
}

bool CutFileAtOffset(int file)
{
    const off_t end = lseek(file, 0, SEEK_CUR);
    return end >= 0 && ftruncate(file, end) == 0;
}

}  // namespace platform
