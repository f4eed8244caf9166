#include "platform/FileDialog.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <vector>

extern char** environ;

namespace platform {

namespace {

// A path is far shorter; whatever a broken dialog prints beyond this is dropped.
constexpr size_t kMaxOutputBytes = 64 * 1024;

std::optional<std::string> FindProgram(std::string_view searchPath, const std::string& name)
{
    size_t start = 0;
    while (start <= searchPath.size()) {
        size_t end = searchPath.find(':', start);
        if (end == std::string_view::npos)
            end = searchPath.size();
        const std::string_view directory = searchPath.substr(start, end - start);
        if (!directory.empty()) {
            std::string candidate = std::string(directory) + "/" + name;
            if (access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        start = end + 1;
    }
    return std::nullopt;
}

// Runs the program with its output on a pipe; returns what it printed when it exited with
// status 0.
std::optional<std::string> RunForOutput(const std::vector<std::string>& arguments)
{
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    // Toolkit warnings are no business of the viewer's log.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        return std::nullopt;
    }

    std::string output;
    char buffer[4096];
    for (;;) {
        const ssize_t count = read(pipeEnds[0], buffer, sizeof(buffer));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        if (output.size() < kMaxOutputBytes)
            output.append(buffer, static_cast<size_t>(count));
    }
    close(pipeEnds[0]);

    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return std::nullopt;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return output;
}

}  // namespace

FileDialogResult OpenFileDialog()
{
    const char* path = std::getenv("PATH");
    return OpenFileDialog(path ? path : "/usr/bin:/bin");
}

FileDialogResult OpenFileDialog(std::string_view searchPath)
{
    std::vector<std::string> arguments;
    if (std::optional<std::string> zenity = FindProgram(searchPath, "zenity")) {
        arguments = {*zenity, "--file-selection", "--file-filter=All Files (*.*) | *"};
    } else if (std::optional<std::string> kdialog = FindProgram(searchPath, "kdialog")) {
        arguments = {*kdialog, "--getopenfilename", ".", "*|All Files (*.*)"};
    } else {
        return {{}, true};
    }
    std::optional<std::string> output = RunForOutput(arguments);
    if (!output)
        return {};
    // One path and its line end; a name may hold any other byte, a line end included.
    if (!output->empty() && output->back() == '\n')
        output->pop_back();
    return {std::move(*output), false};
}

}  // namespace platform
