// Threads with room for the import library's recursion. The library walks a file's
// blocks and node hierarchy recursively; the pre-scan bounds how deep, and these stacks
// leave a wide margin above that bound. The stack is reserved address space: pages cost
// memory only once a deep file touches them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace platform {

constexpr size_t kLargeStackBytes = size_t{512} << 20;

// Starts `body` on a detached thread with a large stack. Empty on success, else the
// system's reason (the body is then not run).
std::string StartDetachedLargeStackThread(std::function<void()> body);

// Runs `body` on a thread with a large stack and waits for it; runs it in place when the
// calling thread has one already. Empty on success, else the reason it did not run.
std::string RunWithLargeStack(const std::function<void()>& body);

// Runs every body at once, each on a thread of its own with a large stack, and waits for
// all of them. A body whose thread cannot start runs from the calling thread instead, as
// RunWithLargeStack runs it; the reason is returned when even that fails (that body is
// then not run). An exception from a body reaches the caller once every body has ended.
std::string RunSideBySideWithLargeStacks(const std::vector<std::function<void()>>& bodies);

}  // namespace platform
