// Modal message boxes with an OK button.
#pragma once

#include <string_view>

namespace platform {

enum class MessageBoxIcon { Information, Warning };

// Shows the box over the host's window (when there is one) and also writes the text to
// standard error, so that headless runs keep it. Under the offscreen video driver the
// box returns at once.
void ShowMessageBox(std::string_view title, std::string_view text,
                    MessageBoxIcon icon = MessageBoxIcon::Information);

}  // namespace platform
