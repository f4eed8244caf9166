// The monotonic clock the engine measures frames and file times with.
#pragma once

#include <cstdint>

namespace platform {

// Monotonic time in nanoseconds (stands in for the high-resolution performance counter).
int64_t MonotonicNanoseconds();

// The same clock in milliseconds (stands in for the millisecond tick count).
uint64_t TickCountMilliseconds();

}  // namespace platform
