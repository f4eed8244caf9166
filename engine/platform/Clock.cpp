#include "platform/Clock.h"

#include <chrono>

namespace platform {

int64_t MonotonicNanoseconds()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

uint64_t TickCountMilliseconds()
{
    return static_cast<uint64_t>(MonotonicNanoseconds() / 1000000);
}

}  // namespace platform
