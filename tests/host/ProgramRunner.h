// Starts the built vornis program as a child process and waits for it, with a time limit.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace host_test {

struct ProgramResult {
    int exitCode = -1;   // -1 when it did not exit on its own in time or was killed by a signal
    std::string output;  // standard output
    std::string errors;  // standard error
};

// environment entries ("NAME=value") are added to the test's own environment.
ProgramResult RunVornis(const std::vector<std::string>& arguments,
                        const std::vector<std::string>& environment, int timeoutSeconds = 60);

std::string ProgramPath();

}  // namespace host_test
