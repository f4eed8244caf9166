// What the install tests share: where the prepared tree and package lie (tools/
// install-test-tree.sh), running commands and reading pictures.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/ScratchDirectory.h"

namespace install_test {

namespace fs = std::filesystem;
using testing_support::ScratchDirectory;

// The install tree, moved away from the prefix it was installed into.
fs::path Tree();
// The Debian package; empty when none was built.
fs::path Package();

struct CommandResult {
    int exitCode = -1;   // -1 when it did not exit normally
    std::string output;  // standard output and standard error together
};

CommandResult RunShell(const std::string& command);

// Runs `command` in `home`, which is also its home, so that no shader folder or cache of the
// machine's user is read; on the offscreen driver, with the tree's programs first on the path.
CommandResult RunInTree(const fs::path& home, const std::string& command);

// `text` as one shell word.
std::string Quote(const std::string& text);

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // top row first

    const uint8_t* At(int x, int y) const
    {
        return &rgba[(static_cast<size_t>(y) * width + x) * 4];
    }
};

std::optional<Picture> ReadPng(const fs::path& path);
std::optional<Picture> ReadRgbaDds(const fs::path& path);

std::string ReadText(const fs::path& path);

}  // namespace install_test
