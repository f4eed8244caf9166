#include "platform/Prefault.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <system_error>
#include <thread>

// Linux 5.14; older headers lack the name, older kernels refuse the call.
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

namespace platform {

namespace {

uintptr_t PageSize()
{
    static const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    return page;
}

uintptr_t HeapEnd()
{
    return reinterpret_cast<uintptr_t>(sbrk(0));
}

}  // namespace

void PrefaultPages(void* at, size_t bytes)
{
    const uintptr_t page = PageSize();
    const auto first = reinterpret_cast<uintptr_t>(at);
    const uintptr_t start = (first + page - 1) / page * page;
    const uintptr_t end = (first + bytes) / page * page;
    if (end > start)
        madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
}

bool StartHeapPrefault(uint64_t budgetBytes)
{
    const uintptr_t page = PageSize();
    const uintptr_t start = (HeapEnd() + page - 1) / page * page;
    if (madvise(reinterpret_cast<void*>(start), 0, MADV_POPULATE_WRITE) != 0)
        return false;
    if (budgetBytes < page)
        return true;
    try {
        // Polled: the heap grows in steps of tens of megabytes, each mapped in well before
        // the import has written it.
        std::thread([start, page, budgetBytes] {
            uintptr_t done = start;
            while (done - start < budgetBytes) {
                const uintptr_t end =
                    std::min<uintptr_t>(HeapEnd() / page * page, start + budgetBytes);
                if (end > done) {
                    madvise(reinterpret_cast<void*>(done), end - done, MADV_POPULATE_WRITE);
                    done = end;
                } else {
                    usleep(500);
                }
            }
        }).detach();
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

}  // namespace platform
