#include "platform/DebugOutput.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

namespace platform {

namespace {
std::atomic<bool> enabled{true};
}

void SetDebugOutputEnabled(bool on)
{
    enabled = on;
}

void DebugOutput(std::string_view text)
{
    if (!enabled)
        return;
    // Lines from the load thread and the window thread must not interleave.
    static std::mutex outputLock;
    std::string line(text);
    if (line.empty() || line.back() != '\n')
        line.push_back('\n');
    std::lock_guard<std::mutex> lock(outputLock);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace platform
