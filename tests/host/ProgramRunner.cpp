#include "ProgramRunner.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace host_test {

namespace {

std::string ReadWhole(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

std::string ProgramPath()
{
    return VORNIS_PROGRAM_PATH;
}

ProgramResult RunVornis(const std::vector<std::string>& arguments,
                        const std::vector<std::string>& environment, int timeoutSeconds)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("vornis-host-test-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string outPath = (folder / "stdout").string();
    const std::string errPath = (folder / "stderr").string();

    std::vector<std::string> argumentStrings = {ProgramPath()};
    argumentStrings.insert(argumentStrings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : argumentStrings)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    std::vector<std::string> environmentStrings;
    for (char** entry = environ; *entry; ++entry)
        environmentStrings.emplace_back(*entry);
    environmentStrings.insert(environmentStrings.end(), environment.begin(), environment.end());
    std::vector<char*> envp;
    for (std::string& entry : environmentStrings)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);

    ProgramResult result;
    if (spawned != 0) {
        result.errors = "cannot start " + ProgramPath();
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    int status = 0;
    pid_t waited = 0;
    while ((waited = waitpid(child, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (waited == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    } else if (waited == child && WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    }
    result.output = ReadWhole(outPath);
    result.errors = ReadWhole(errPath);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return result;
}

}  // namespace host_test
