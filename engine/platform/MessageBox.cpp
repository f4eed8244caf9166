#include "platform/MessageBox.h"

#include <SDL.h>

#include <string>

#include "platform/DebugOutput.h"

namespace platform {

void ShowMessageBox(std::string_view title, std::string_view text)
{
    std::string titleText(title);
    std::string bodyText(text);
    DebugOutput(titleText + ": " + bodyText);
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, titleText.c_str(), bodyText.c_str(),
                             SDL_GL_GetCurrentWindow());
}

}  // namespace platform
