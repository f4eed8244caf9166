// Debugger output: one line per message on standard error.
#pragma once

#include <string_view>

namespace platform {

void DebugOutput(std::string_view text);

}  // namespace platform
