#include "scene/MessageLog.h"

void CMessageLog::Report(std::string text, MessageLevel level)
{
    std::lock_guard<std::mutex> lock(logLock);
    messages.push_back(text);
    messageLevels.push_back(level);
    lastMessage = std::move(text);
    lastMessageLevel = level;
}

void CMessageLog::SetLastMessageText(std::string text)
{
    std::lock_guard<std::mutex> lock(logLock);
    lastMessage = std::move(text);
}

std::string CMessageLog::LastMessage() const
{
    std::lock_guard<std::mutex> lock(logLock);
    return lastMessage;
}

uint32_t CMessageLog::LastMessageLevel() const
{
    std::lock_guard<std::mutex> lock(logLock);
    return lastMessageLevel;
}

std::vector<CMessageLog::Entry> CMessageLog::EntriesFrom(size_t first) const
{
    std::lock_guard<std::mutex> lock(logLock);
    std::vector<Entry> entries;
    for (size_t i = first; i < messages.size(); ++i)
        entries.push_back({messages[i], messageLevels[i]});
    return entries;
}

size_t CMessageLog::Count() const
{
    std::lock_guard<std::mutex> lock(logLock);
    return messages.size();
}
