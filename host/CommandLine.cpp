#include "CommandLine.h"

namespace host {

CommandLine ParseCommandLine(const std::vector<std::string_view>& arguments)
{
    CommandLine result;
    bool optionsEnded = false;
    for (std::string_view argument : arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument == "--help") {
            return {CommandAction::ShowHelp, {}, {}};
        } else if (!optionsEnded && argument == "--version") {
            return {CommandAction::ShowVersion, {}, {}};
        } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            return {CommandAction::UsageError, {}, "unknown option: " + std::string(argument)};
        } else if (result.modelPath) {
            return {CommandAction::UsageError, {}, "only one model can be opened"};
        } else if (argument.empty()) {
            return {CommandAction::UsageError, {}, "the model path is empty"};
        } else {
            result.modelPath = std::string(argument);
        }
    }
    return result;
}

std::string UsageText(std::string_view programName)
{
    std::string text = "Usage: ";
    text += programName;
    text += " [MODEL]\n";
    text +=
        "Shows game-asset models. Drop FBX models on the window to open them, and DDS or TGA\n"
        "images to have them described.\n"
        "\n"
        "  MODEL      open this model at start, as if it had been dropped on the window\n"
        "  --help     show this text and exit\n"
        "  --version  show the version and exit\n"
        "\n"
        "Environment, for tests:\n"
        "  VORNIS_EXIT_AFTER_FRAMES=N       leave after N frames with exit code 0\n"
        "  VORNIS_STARTSCREEN_CAPTURE=FILE  save the drawn start screen as a BMP file\n";
    return text;
}

std::string VersionText()
{
    return std::string("vornis ") + VORNIS_VERSION + "\n";
}

}  // namespace host
