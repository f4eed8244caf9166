// The engine's message log: every report of every subsystem, in order, with its level.
// Reports may come from the window thread and from model-load threads at once.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/MessageLevel.h"

class CMessageLog {
   public:
    void Report(std::string text, MessageLevel level);

    // Replaces the last text without adding an entry and without changing the level.
    void SetLastMessageText(std::string text);

    std::string LastMessage() const;
    uint32_t LastMessageLevel() const;

    struct Entry {
        std::string text;
        uint32_t level;
    };
    // A copy of every entry from index `first` on, for readers that poll the log.
    std::vector<Entry> EntriesFrom(size_t first) const;
    size_t Count() const;

   private:
    mutable std::mutex logLock;
    std::vector<std::string> messages;
    std::vector<uint32_t> messageLevels;
    std::string lastMessage;
    uint32_t lastMessageLevel = MessageLevelError;
};
