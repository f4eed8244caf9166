// Files a controller imports itself: its first clip and every reload.
#pragma once

#include <cstdint>
#include <string>

#include "models/ModelImportContext.h"

struct ClipImport {
    ImportedScenePtr scene;  // null when the import failed
    std::string errorText;   // why the file was refused, or the importer's own reason
};

// Imports `path` through an importer of its own (ImportThroughLibrary), with the animation
// post-processing. The scene keeps its importer alive; releasing the last holder releases
// both. While one is held, the same file unchanged (time and size) gives that scene again.
ClipImport ImportClipFile(const std::string& path);

// Imports made so far (not the scenes given again), for tests.
uint64_t ClipFileImportCount();

// The import library's logger, where the design sends import notes.
void LogImportNote(const std::string& text, bool isError);
