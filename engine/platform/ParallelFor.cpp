#include "platform/ParallelFor.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace platform {

void ParallelFor(size_t count, const std::function<void(size_t)>& work)
{
    std::atomic<size_t> next{0};
    auto drain = [&] {
        for (size_t i = next++; i < count; i = next++)
            work(i);
    };
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t helpers = std::min(cores, count) - (count > 0 ? 1 : 0);
    std::vector<std::thread> threads;
    threads.reserve(helpers);
    for (size_t t = 0; t < helpers; ++t) {
        try {
            threads.emplace_back(drain);
        } catch (const std::system_error&) {
            break;  // no more threads: the others and this one share the rest
        }
    }
    drain();
    for (std::thread& thread : threads)
        thread.join();
}

void ParallelForStretches(size_t count, size_t stretch,
                          const std::function<void(size_t, size_t, size_t)>& work)
{
    if (stretch == 0)
        return;
    ParallelFor((count + stretch - 1) / stretch, [&](size_t index) {
        const size_t first = index * stretch;
        work(index, first, std::min(count, first + stretch));
    });
}

}  // namespace platform
