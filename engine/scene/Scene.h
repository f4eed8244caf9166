// What the viewer shows: the user's model, the fixed assets, the sky and the message log.
#pragma once

#include <atomic>
#include <string>

#include "api/MessageLevel.h"
#include "scene/MessageLog.h"

class CScene {
   public:
    // Appends a message to the log; never fails visibly.
    void ReportMessage(std::string text, MessageLevel level) { log.Report(std::move(text), level); }

    CMessageLog log;

    // True while a model-load thread runs.
    std::atomic<bool> loading{false};
    // Set by the load thread when a load attempt ends; cleared by the first draw after it.
    std::atomic<bool> modelChanged{false};
    bool photoMode = false;
};
