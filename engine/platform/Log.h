// The engine's log as every layer sees it. The engine installs the sink (its message log
// and debugger output); a report before that, or after it is removed, goes nowhere.
#pragma once

#include <string>

#include "platform/MessageLevel.h"

namespace platform {

// Called from any thread: the window thread, model-load threads and the file watcher.
using LogSink = void (*)(std::string text, MessageLevel level);

// Installs the sink every later report goes to (nullptr removes it).
void SetLogSink(LogSink sink);

void ReportMessage(std::string text, MessageLevel level);

}  // namespace platform
