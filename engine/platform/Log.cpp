#include "platform/Log.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<LogSink> installedSink{nullptr};
}

void SetLogSink(LogSink sink)
{
    installedSink.store(sink, std::memory_order_release);
}

void ReportMessage(std::string text, MessageLevel level)
{
    if (LogSink sink = installedSink.load(std::memory_order_acquire))
        sink(std::move(text), level);
}

}  // namespace platform
