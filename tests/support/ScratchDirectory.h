// A fresh folder under the system's temporary folder, removed with the object.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace testing_support {

class ScratchDirectory {
   public:
    ScratchDirectory()
    {
        static int counter = 0;
        path = std::filesystem::temp_directory_path() /
               ("vornis_test_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~ScratchDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path operator/(const std::string& name) const { return path / name; }
    // Writes `text` to `name`, making the folders it names.
    std::filesystem::path Write(const std::string& name, const std::string& text) const
    {
        const std::filesystem::path file = path / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }

    std::filesystem::path path;
};

}  // namespace testing_support
