#include "platform/MessageBox.h"

#include <SDL.h>

#include <string>

#include "platform/DebugOutput.h"

namespace platform {

void ShowMessageBox(std::string_view title, std::string_view text, MessageBoxIcon icon)
{
    std::string titleText(title);
    std::string bodyText(text);
    DebugOutput(titleText + ": " + bodyText);
    const Uint32 flags =
        icon == MessageBoxIcon::Warning ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION;
    SDL_ShowSimpleMessageBox(flags, titleText.c_str(), bodyText.c_str(), SDL_GL_GetCurrentWindow());
}

}  // namespace platform
