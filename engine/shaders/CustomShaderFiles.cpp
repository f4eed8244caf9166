#include "shaders/CustomShaderFiles.h"

#include <algorithm>

#include "platform/Paths.h"

CustomShaderList ListCustomShaderFiles()
{
    return ListCustomShaderFiles(platform::ShaderDirectories(platform::ProgramDataLayout()));
}

CustomShaderList ListCustomShaderFiles(const std::vector<std::filesystem::path>& directories)
{
    CustomShaderList list;
    for (const std::filesystem::path& directory : directories) {
        CustomShaderList found = ListCustomShaderFiles(directory);
        for (size_t i = 0; i < found.paths.size(); ++i) {
            if (std::find(list.displayNames.begin(), list.displayNames.end(),
                          found.displayNames[i]) != list.displayNames.end())
                continue;
            list.displayNames.push_back(std::move(found.displayNames[i]));
            list.paths.push_back(std::move(found.paths[i]));
        }
    }
    return list;
}

CustomShaderList ListCustomShaderFiles(const std::filesystem::path& directory)
{
    CustomShaderList list;
    for (const std::filesystem::path& file : platform::ListFiles(directory)) {
        std::string name = file.filename().string();
        if (name.rfind("PS_", 0) != 0)
            continue;
        list.paths.push_back(file.string());
        list.displayNames.push_back(std::move(name));
    }
    return list;
}
