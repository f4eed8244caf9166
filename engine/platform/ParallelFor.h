// Spreads independent pieces of work over the machine's cores.
#pragma once

#include <cstddef>
#include <functional>

namespace platform {

// Calls work(i) for every i in [0, count), on the calling thread and up to one worker per
// further core. Returns when all calls have returned. `work` must not throw.
void ParallelFor(size_t count, const std::function<void(size_t)>& work);

}  // namespace platform
