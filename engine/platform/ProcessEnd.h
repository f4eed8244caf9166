// How the programs end. A model load may still run on a thread of its own; exit() would
// run the static destructors (the import library's among them) under its feet. Once the
// output is flushed there is nothing left that needs them.
#pragma once

#include <unistd.h>

#include <cstdio>

namespace platform {

// _exit rather than quick_exit: the sanitizers finish their reports (and exit status) in
// it, and glibc's quick_exit reaches it without passing them.
[[noreturn]] inline void EndProcess(int code)
{
    std::fflush(nullptr);
    _exit(code);
}

}  // namespace platform
