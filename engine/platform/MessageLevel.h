#pragma once

#include <cstdint>

// Level of a message in the engine's log.
enum MessageLevel : uint32_t {
    MessageLevelError = 0,  // error or warning
    MessageLevelInfo = 1,   // information
};
