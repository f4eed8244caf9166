// Where the animation side reports: the engine's message log and the platform message box,
// given to it at installation so that it needs no engine of its own.
#pragma once

#include <functional>
#include <string>

struct AnimationReports {
    std::function<void(const std::string& text)> error;  // message log, level 0
    std::function<void(const std::string& title, const std::string& text)> messageBox;

    void Error(const std::string& text) const
    {
        if (error)
            error(text);
    }
    void MessageBox(const std::string& title, const std::string& text) const
    {
        if (messageBox)
            messageBox(title, text);
    }
};
