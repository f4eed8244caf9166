// The desktop's file-open dialog, run as a child program (zenity, or kdialog where zenity
// is missing) without a shell. Blocks until the user has chosen or cancelled.
#pragma once

#include <string>
#include <string_view>

namespace platform {

struct FileDialogResult {
    std::string path;              // the chosen file; empty on cancel or failure
    bool noDialogProgram = false;  // neither program is installed
};

// Looks for the dialog programs in the directories of PATH.
FileDialogResult OpenFileDialog();
// The same with an explicit list of directories, separated by ':' as in PATH.
FileDialogResult OpenFileDialog(std::string_view searchPath);

}  // namespace platform
