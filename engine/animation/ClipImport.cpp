#include "animation/ClipImport.h"

#include <assimp/scene.h>
#include <assimp/DefaultLogger.hpp>
#include <assimp/Importer.hpp>

#include <memory>

#include "models/ModelImporter.h"

ClipImport ImportClipFile(const std::string& path)
{
    auto importer = std::make_shared<Assimp::Importer>();
    const aiScene* scene = importer->ReadFile(path, kAnimationImportFlags);
    ClipImport result;
    if (!scene) {
        result.errorText = importer->GetErrorString();
        return result;
    }
    // The scene pointer shares ownership of its importer, which owns the scene.
    result.scene = ImportedScenePtr(importer, scene);
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
