// The program's few arguments: an optional model to open (or the demo model), the shader
// copy for editing, --help and --version.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace host {

enum class CommandAction { Run, ShowHelp, ShowVersion, CopyShaders, UsageError };

struct CommandLine {
    CommandAction action = CommandAction::Run;
    std::optional<std::string> modelPath;  // opened as if dropped on the window
    std::string error;                     // set for UsageError
    bool openDemo = false;                 // open the demo model that comes with the viewer
};

// arguments excludes the program name.
CommandLine ParseCommandLine(const std::vector<std::string_view>& arguments);

std::string UsageText(std::string_view programName);
std::string VersionText();

}  // namespace host
