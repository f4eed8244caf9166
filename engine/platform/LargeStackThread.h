// Threads with room for the import library's recursion. The library walks a file's
// blocks and node hierarchy recursively; the pre-scan bounds how deep, and these stacks
// leave a wide margin above that bound. The stack is reserved address space: pages cost
// memory only once a deep file touches them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace platform {

constexpr size_t kLargeStackBytes = size_t{512} << 20;

// Starts `body` on a detached thread with a large stack. Empty on success, else the
// system's reason (the body is then not run).
std::string StartDetachedLargeStackThread(std::function<void()> body);

// Runs `body` on a thread with a large stack and waits for it; runs it in place when the
// calling thread has one already. Empty on success, else the reason it did not run.
std::string RunWithLargeStack(const std::function<void()>& body);

}  // namespace platform
