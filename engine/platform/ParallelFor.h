// Spreads independent pieces of work over the machine's cores.
#pragma once

#include <cstddef>
#include <functional>

namespace platform {

// Calls work(i) for every i in [0, count), on the calling thread and up to one worker per
// further core. Returns when all calls have returned. `work` must not throw.
void ParallelFor(size_t count, const std::function<void(size_t)>& work);

// [0, count) cut into stretches of `stretch` (the last one shorter): work(index, first, end)
// for each, as ParallelFor calls work(i).
void ParallelForStretches(size_t count, size_t stretch,
                          const std::function<void(size_t index, size_t first, size_t end)>& work);

}  // namespace platform
