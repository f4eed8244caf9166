#include "CommandLine.h"

namespace host {

namespace {

CommandLine Only(CommandAction action)
{
    CommandLine result;
    result.action = action;
    return result;
}

CommandLine UsageError(std::string error)
{
    CommandLine result = Only(CommandAction::UsageError);
    result.error = std::move(error);
    return result;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string_view>& arguments)
{
    CommandLine result;
    bool optionsEnded = false;
    for (std::string_view argument : arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument == "--help") {
            return Only(CommandAction::ShowHelp);
        } else if (!optionsEnded && argument == "--version") {
            return Only(CommandAction::ShowVersion);
        } else if (!optionsEnded && argument == "--copy-shaders") {
            return Only(CommandAction::CopyShaders);
        } else if (!optionsEnded && argument == "--demo") {
            result.openDemo = true;
        } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            return UsageError("unknown option: " + std::string(argument));
        } else if (result.modelPath) {
            return UsageError("only one model can be opened");
        } else if (argument.empty()) {
            return UsageError("the model path is empty");
        } else {
            result.modelPath = std::string(argument);
        }
    }
    if (result.openDemo && result.modelPath)
        return UsageError("only one model can be opened");
    return result;
}

std::string UsageText(std::string_view programName)
{
    std::string text = "Usage: ";
    text += programName;
    text += " [MODEL | --demo]\n";
    text +=
        "Shows game-asset models. Drop FBX models on the window to open them, and DDS or TGA\n"
        "images to have them described.\n"
        "\n"
        "  MODEL           open this model at start, as if it had been dropped on the window\n"
        "  --demo          open the demo model that comes with the viewer\n"
        "  --copy-shaders  copy the installed shaders to your shader folder for editing\n"
        "                  (files already there are kept), print the folder and exit\n"
        "  --help          show this text and exit\n"
        "  --version       show the version and exit\n"
        "\n"
        "Environment:\n"
        "  VORNIS_SHADER_CACHE=DIR|off      where compiled shaders are kept\n"
        "  XDG_DATA_HOME                    holds vornis/shaders, the shader folder of an\n"
        "                                   installed viewer (default ~/.local/share)\n"
        "Environment, for tests:\n"
        "  VORNIS_EXIT_AFTER_FRAMES=N       leave after N frames drawn with no model load\n"
        "                                   running, with exit code 0\n"
        "  VORNIS_STARTSCREEN_CAPTURE=FILE  save the drawn start screen as a BMP file\n"
        "  VORNIS_SCREENSHOT_AT_EXIT=WxH    before leaving by VORNIS_EXIT_AFTER_FRAMES, save a\n"
        "                                   screenshot of that size in the working folder\n";
    return text;
}

std::string VersionText()
{
    return std::string("vornis ") + VORNIS_VERSION + "\n";
}

}  // namespace host
