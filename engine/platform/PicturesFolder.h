// Where the viewer saves pictures: the user's pictures folder as the XDG user-dirs file
// (~/.config/user-dirs.dirs) names it, else the working folder.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// XDG_PICTURES_DIR of a user-dirs file's text, "$HOME" expanded; empty when the text
// names none, or names the home folder itself (the file's way of saying "not set").
std::filesystem::path PicturesFolderFromUserDirs(std::string_view text, const std::string& home);

// The folder named by $XDG_CONFIG_HOME/user-dirs.dirs (default ~/.config) when it is an
// existing directory, else the working folder.
std::filesystem::path PicturesFolder();

}  // namespace platform
