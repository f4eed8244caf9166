// Debugger output: one line per message on standard error.
#pragma once

#include <string_view>

namespace platform {

void DebugOutput(std::string_view text);

// On by default. A program that reports the engine's outcome in words of its own (the
// headless renderer's one error line) turns it off, so that no reason is printed twice.
void SetDebugOutputEnabled(bool enabled);

}  // namespace platform
