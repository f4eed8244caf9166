#include "animation/ClipImport.h"

#include <assimp/DefaultLogger.hpp>

#include "models/LibraryImport.h"
#include "models/ModelImporter.h"

ClipImport ImportClipFile(const std::string& path)
{
    LibraryImport imported = ImportThroughLibrary(path, kAnimationImportFlags);
    ClipImport result;
    result.scene = std::move(imported.scene);
    result.errorText = imported.refusal.empty() ? imported.libraryText : imported.refusal;
    return result;
}

void LogImportNote(const std::string& text, bool isError)
{
    Assimp::Logger* logger = Assimp::DefaultLogger::get();
    if (!logger)
        return;
    if (isError)
        logger->error(text.c_str());
    else
        logger->info(text.c_str());
}
